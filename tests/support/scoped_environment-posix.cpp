#include <cstdlib>

#include "support/scoped_environment.h"

ScopedEnvironment::ScopedEnvironment(const std::string& name, const std::string& value)
    : name(name) {
  if (const char* old = std::getenv(name.c_str())) before = old;
  setenv(name.c_str(), value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
  if (before) {
    setenv(name.c_str(), before->c_str(), 1);
  } else {
    unsetenv(name.c_str());
  }
}
