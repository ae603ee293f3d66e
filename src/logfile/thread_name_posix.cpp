#include "logfile/thread_name.hpp"

#include <pthread.h>

namespace corvald::logfile {

void set_current_thread_name(const std::string& name) {
  // Linux refuses names longer than 15 bytes outright; a shortened name is still useful.
  (void)pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

}  // namespace corvald::logfile
