// Sets an environment variable of the test process, which the programs it starts
// inherit, until the object goes away.
#pragma once

#include <optional>
#include <string>

struct ScopedEnvironment {
  ScopedEnvironment(const std::string& name, const std::string& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  std::string name;
  std::optional<std::string> before;
};
