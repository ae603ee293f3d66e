#include <limits>

#include "routes.hpp"

namespace corvald::devserver {

void add_control_routes(Router& router, ServiceContext& context) {
  router.add(Method::post, "/__control/set",
             [&context](const httplib::Request& req, httplib::Response& res) {
               // httplib keeps the parameters sorted by name, repeats of one name in the order
               // given, so a repeated key ends with its last value as a query string reads.
               const ControlParams params(req.params.begin(), req.params.end());
               std::string error =
                   params.empty() ? "nothing to set" : context.settings.apply(params);
               if (!error.empty()) {
                 res.status = 400;
                 res.set_content(error + "\n", "text/plain");
                 return;
               }
               res.set_content("ok", "text/plain");
             });
  router.add(Method::get, "/__control/requests",
             [&context](const httplib::Request&, httplib::Response& res) {
               res.set_content(context.recorder.lines(), "text/plain");
             });
  // A seeded fault schedule for the release and its feed: POST seed=S[&odds=N] arms one and answers
  // with what to leave in the cache before the run; an empty seed disarms it. GET answers with
  // the faults drawn so far, one line per request.
  router.add(Method::post, "/__control/chaos",
             [&context](const httplib::Request& req, httplib::Response& res) {
               const std::string seed = req.get_param_value("seed");
               if (seed.empty()) {
                 context.chaos.disarm();
                 res.set_content("disarmed\n", "text/plain");
                 return;
               }
               const auto parsed = parse_bounded(seed, 0, std::numeric_limits<std::int64_t>::max());
               const std::string odds_text = req.has_param("odds") ? req.get_param_value("odds")
                                                                   : std::to_string(kDefaultOdds);
               const auto odds = parse_bounded(odds_text, 0, 1000);
               std::string error;
               if (!parsed) error = "seed=" + seed + ": a decimal number is expected";
               if (!odds) error = "odds=" + odds_text + ": 0 (no faults) to 1000 is expected";
               if (!context.release) error = "a fault schedule needs a release";
               if (!error.empty()) {
                 res.status = 400;
                 res.set_content(error + "\n", "text/plain");
                 return;
               }
               const CachePlan plan =
                   context.chaos.arm(static_cast<std::uint64_t>(*parsed), context.release->size,
                                     static_cast<std::uint64_t>(*odds));
               res.set_content(describe(plan) + "\n", "text/plain");
             });
  router.add(Method::get, "/__control/chaos",
             [&context](const httplib::Request&, httplib::Response& res) {
               res.set_content(context.chaos.record(), "text/plain");
             });
  router.add(Method::post, "/__control/reset",
             [&context](const httplib::Request&, httplib::Response& res) {
               context.recorder.reset();
               res.set_content("ok", "text/plain");
             });
}

}  // namespace corvald::devserver
