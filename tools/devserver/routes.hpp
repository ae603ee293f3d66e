// The endpoints, in three groups: the update service the stub talks to, the control
// endpoints tests use to steer and inspect the server, and the /test/ endpoints that the HTTP
// client's own tests need.
#pragma once

#include <filesystem>
#include <optional>

#include "blob_store.hpp"
#include "chaos_switch.hpp"
#include "faults.hpp"
#include "live_settings.hpp"
#include "recorder.hpp"
#include "release.hpp"
#include "router.hpp"
#include "shutdown_signal.hpp"

namespace corvald::devserver {

struct ServiceContext {
  const std::optional<Release>& release;
  const std::optional<std::filesystem::path>& feed_file;
  LiveSettings& settings;
  Recorder& recorder;
  ShutdownSignal& shutdown;
  WrongDigest* wrong_digest;  // null without a release
  BlobStore& blobs;
  ChaosSwitch& chaos;
};

void add_service_routes(Router& router, ServiceContext& context);
void add_control_routes(Router& router, ServiceContext& context);
void add_test_routes(Router& router, ServiceContext& context);

// 204 and 304 answers end at their headers; a body there would be read as the next answer.
inline bool status_carries_body(int status) { return status != 204 && status != 304; }

}  // namespace corvald::devserver
