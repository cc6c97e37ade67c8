// Errors that page script sees. Every failure meant for script is a
// FB::script_error whose what() is the exact message; the browser bindings
// turn it into a script exception. Plain values; safe from any thread.
#pragma once

#include <stdexcept>
#include <string>

namespace FB {

class script_error : public std::exception {
 public:
  explicit script_error(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A call whose arguments do not fit the member.
class invalid_arguments : public script_error {
 public:
  invalid_arguments() : script_error("Invalid Arguments") {}
  explicit invalid_arguments(std::string message) : script_error(std::move(message)) {}
};

// A name that is not an accessible member of the object.
class invalid_member : public script_error {
 public:
  explicit invalid_member(const std::string& name)
      : script_error("The specified member does not exist: " + name) {}
};

// Any use of an object after the browser invalidated it.
class object_invalidated : public script_error {
 public:
  object_invalidated() : script_error("This object is no longer valid") {}
};

// Calling a stored callable that holds nothing, such as the setter of a
// read-only property. Deliberately not a script_error: it is a fault of the
// object's registration, not of the page's call.
class bad_function_call : public std::runtime_error {
 public:
  bad_function_call() : std::runtime_error("call to empty boost::function") {}
};

}  // namespace FB
