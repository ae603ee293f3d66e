#include "net/proxy_line.hpp"

#include <gtest/gtest.h>

namespace corvald::net {
namespace {

// Every form a credential takes in the per-user settings: a proxy list entry with and without a
// scheme, a URL's user part, a password holding "@", a user alone. Hosts, ports, paths and the
// separators stay as they were, so support still reads where the traffic went.
TEST(ProxyLine, CredentialsAreMaskedWhereverTheyStandAndNothingElseIs) {
  struct Case {
    std::string in;
    std::string out;
  };
  for (const Case& c : {
           Case{"proxy.example:8080", "proxy.example:8080"},
           Case{"alice:s3cret@proxy.example:8080", "***@proxy.example:8080"},
           Case{"http=bob:pw@p1:80;https=p2:443 ftp=carol@p3:21",
                "http=***@p1:80;https=p2:443 ftp=***@p3:21"},
           Case{"http://dave:p@ss@pac.example/wpad.dat?v=1", "http://***@pac.example/wpad.dat?v=1"},
           Case{"http://pac.example/a@b/wpad.dat", "http://pac.example/a@b/wpad.dat"},
           Case{"<local>;*.corp.example", "<local>;*.corp.example"},
       }) {
    EXPECT_EQ(mask_proxy_credentials(c.in), c.out) << c.in;
  }

  ProxySettings settings;
  EXPECT_EQ(proxy_settings_line(settings),
            "proxy settings: auto-detect=off script=none proxy=none bypass=none");
  settings = {true, "https://eve:pw@pac.example/p.pac", "http=frank:pw@p:1", "<local>"};
  const std::string line = proxy_settings_line(settings);
  EXPECT_EQ(line,
            "proxy settings: auto-detect=on script=https://***@pac.example/p.pac "
            "proxy=http=***@p:1 bypass=<local>");
}

}  // namespace
}  // namespace corvald::net
