// The exception the engine raises internally. Raise it through
// TCustomFFmpeg::RaiseError so the text also becomes the engine's last error
// and reaches the log at the fatal level.
#pragma once

#include <stdexcept>

namespace engine {

class FFmpegException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace engine
