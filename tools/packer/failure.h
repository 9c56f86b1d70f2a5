#pragma once

#include <stdexcept>

namespace tgw::pack {

// A refusal or an error that ends the tool's run; what() is the message for the user.
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tgw::pack
