// The engine's option table: one row per option name, saying what kind of
// value the option takes and where it goes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "engine/engine_settings.h"
#include "engine/file_options.h"

namespace engine {

class TCustomFFmpeg;

// Flag bits of a row; the values are part of the table encoding.
enum OptionFlags : uint32_t {
  kOptHasArg = 0x1,
  kOptBool = 0x2,
  kOptExpert = 0x4,
  kOptString = 0x8,
  kOptVideo = 0x10,
  kOptAudio = 0x20,
  kOptGrab = 0x40,
  kOptInt = 0x80,
  kOptFloat = 0x100,
  kOptSubtitle = 0x200,
  kOptInt64 = 0x400,
  kOptExit = 0x800,
  kOptData = 0x1000,
  kOptFunc2 = 0x2000,   // the handler receives the FileOptions record
  kOptOffset = 0x4000,  // target is a FileOptions field
  kOptSpec = 0x8000,    // target is a per-stream list in FileOptions
  kOptTime = 0x10000,
  kOptDouble = 0x20000,
};

// Handlers get the option name as typed, the argument (null when the row
// takes none) and, for kOptFunc2 rows, the record being filled. They return
// >= 0 on success and a negative error code on failure.
using OptionHandler = int (*)(TCustomFFmpeg& engine, const char* opt, const char* arg,
                              FileOptions* file);

// Where a row stores its value; the kind bits of the row pick the alternative.
using OptionTarget = std::variant<
    std::monostate,
    int32_t EngineSettings::*, float EngineSettings::*,
    int32_t FileOptions::*, int64_t FileOptions::*, float FileOptions::*,
    std::string FileOptions::*,
    SpecList<std::string> FileOptions::*, SpecList<int32_t> FileOptions::*,
    SpecList<int64_t> FileOptions::*, SpecList<float> FileOptions::*,
    SpecList<double> FileOptions::*,
    OptionHandler>;

struct OptionEntry {
  const char* name;  // without the leading minus sign; null ends the table
  uint32_t flags;
  OptionTarget target;
  const char* help;
  const char* arg_name;
};

inline constexpr int kOptionCount = 144;

// kOptionCount rows plus the terminating row.
extern const OptionEntry kOptionTable[kOptionCount + 1];

// Row whose name equals `name` exactly, or null.
const OptionEntry* FindOption(std::string_view name);

}  // namespace engine
