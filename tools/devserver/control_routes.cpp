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
  router.add(Method::post, "/__control/reset",
             [&context](const httplib::Request&, httplib::Response& res) {
               context.recorder.reset();
               res.set_content("ok", "text/plain");
             });
}

}  // namespace corvald::devserver
