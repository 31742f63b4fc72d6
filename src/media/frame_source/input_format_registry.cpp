#include "media/frame_source/input_format_registry.h"

#include <mutex>

namespace media {

namespace {

// Process-wide, like the libraries' own format lists.
std::mutex g_mutex;
std::vector<const TInputFormat*> g_formats;

}  // namespace

bool RegisterInputFormat(const TInputFormat* format) {
  std::lock_guard lock(g_mutex);
  for (const TInputFormat* f : g_formats)
    if (std::string_view(f->name) == format->name) return false;
  g_formats.push_back(format);
  return true;
}

const TInputFormat* FindInputFormat(std::string_view name) {
  std::lock_guard lock(g_mutex);
  for (const TInputFormat* f : g_formats)
    if (name == f->name) return f;
  return nullptr;
}

std::vector<const TInputFormat*> RegisteredInputFormats() {
  std::lock_guard lock(g_mutex);
  return g_formats;
}

}  // namespace media
