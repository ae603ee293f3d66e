// The feedback upload: ask the update service for a pre-signed storage URL, PUT the log
// bundle there, then register the stored blob with a small JSON record. Nothing is retried;
// used by the feedback dialog's upload thread and by report-log mode.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.hpp"
#include "net/http_client.hpp"
#include "text/path.hpp"

namespace corvald::feedback {

struct FeedbackSubmission {
  std::string feedback_type;  // "issue_report" or "debug_log"
  std::string session_id;     // a fresh UUID per submission
  std::string client_id;
  std::optional<std::string> description;
  std::optional<std::string> file_format;  // "zip"
  std::optional<std::string> version;      // the stub version
};

struct FeedbackReceipt {
  std::string blob_path;            // the private_storage_url the service granted
  std::uint32_t submit_status = 0;  // any status; the caller judges it
};

// "<service origin>/api/voice-realtime/feedback" without a trailing "/", the origin chosen
// with `service_override` (see net::service_origin_from).
std::string feedback_base(const std::optional<std::string>& service_override);

// The submit body: no whitespace, optional fields left out when absent.
std::string submit_record_json(const FeedbackSubmission& submission, std::string_view blob_path,
                               std::uint64_t created_at);

// Whole seconds since 1970 UTC; 0 for a clock set before 1970.
std::uint64_t unix_seconds(std::chrono::system_clock::time_point now);

// Bundles the files and runs the three exchanges on the caller's thread. A submit status
// outside 2xx is logged but returned in the receipt, not as an error.
Result<FeedbackReceipt> send_feedback(const net::HttpClient& client,
                                      const std::optional<std::string>& service_override,
                                      std::string_view client_id, std::string_view user_agent,
                                      const std::vector<Path>& files,
                                      const FeedbackSubmission& submission);

// The three exchanges for an archive already built; `base` is the feedback base.
Result<FeedbackReceipt> send_feedback_archive(const net::HttpClient& client, std::string_view base,
                                              std::string_view client_id,
                                              std::string_view user_agent, std::string_view archive,
                                              const FeedbackSubmission& submission);

}  // namespace corvald::feedback
