#include <cstdlib>

#include "support/scoped_environment.h"

ScopedEnvironment::ScopedEnvironment(const std::string& name, const std::string& value)
    : name(name) {
  if (const char* old = std::getenv(name.c_str())) before = old;
  _putenv_s(name.c_str(), value.c_str());
}

// An empty value removes the variable.
ScopedEnvironment::~ScopedEnvironment() {
  _putenv_s(name.c_str(), before ? before->c_str() : "");
}
