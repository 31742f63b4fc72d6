#include "slideshow/show_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <type_traits>

#include "slideshow/show_file_keys.h"

namespace slideshow {

namespace fs = std::filesystem;
using showfile::KeyRow;

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Messages are one line whatever the file holds.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return text;
}

std::string Where(const std::string& name, const toml::source_position& at) {
  if (!at) return name + ": ";
  return name + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": ";
}

// The refused value as the message shows it.
std::string Found(const toml::node& v) {
  if (const auto* s = v.as_string()) {
    const std::string& text = s->get();
    return text.size() > 60 ? showfile::QuotedToml(text.substr(0, 57)) + "..."
                            : showfile::QuotedToml(text);
  }
  if (const auto* i = v.as_integer()) return std::to_string(i->get());
  if (const auto* f = v.as_floating_point()) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, f->get());
    return std::string(buf, ec == std::errc() ? end : buf);
  }
  if (const auto* b = v.as_boolean()) return b->get() ? "true" : "false";
  if (v.is_array()) return "a list";
  if (v.is_table()) return "a table";
  return "a date or time";
}

size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = up;
    }
  }
  return row[b.size()];
}

template <class Target>
std::string Nearest(std::string_view key, std::span<const KeyRow<Target>> rows) {
  std::string best;
  size_t bestDistance = SIZE_MAX;
  for (const KeyRow<Target>& row : rows)
    if (const size_t d = EditDistance(key, row.name); d < bestDistance) {
      bestDistance = d;
      best = row.name;
    }
  return best;
}

bool IsSlideKey(std::string_view key) {
  return std::any_of(showfile::SlideKeys().begin(), showfile::SlideKeys().end(),
                     [&](const KeyRow<Slide>& r) { return key == r.name; });
}

struct Reader {
  const std::string& name;
  const fs::path& folder;

  [[noreturn]] void Fail(const toml::source_region& at, const std::string& text) const {
    throw ShowFileError(OneLine(Where(name, at.begin) + text));
  }

  // Reads every key of table into target through rows; place says where
  // in the show the table is ("[show]", "slide 4").
  template <class Target>
  void ReadTable(const toml::table& table, std::span<const KeyRow<Target>> rows, Target& target,
                 const std::string& place) const {
    for (auto&& entry : table) {
      // Named, not bound: older compilers cannot capture bindings in lambdas.
      const toml::key& key = entry.first;
      const toml::node& value = entry.second;
      const auto row = std::find_if(rows.begin(), rows.end(),
                                    [&](const KeyRow<Target>& r) { return key.str() == r.name; });
      if constexpr (std::is_same_v<Target, ShowSettings>)
        if (row == rows.end() && IsSlideKey(key.str()))
          Fail(key.source(), place + ": " + std::string(key.str()) +
                                 " is a slide's key; put it under that slide's [[slide]]");
      if (row == rows.end())
        Fail(key.source(), place + ": unknown key " + showfile::QuotedToml(key.str()) +
                               "; did you mean " + Quoted(Nearest(key.str(), rows)) + "?");
      std::string detail;
      bool taken = false;
      try {
        taken = row->read(value, target, folder, detail);
      } catch (const showfile::RefusedAt& r) {
        Fail(r.at->source(), place + ": " + row->name + " " + r.text + ", found " + Found(*r.at));
      }
      if (!taken)
        Fail(value.source(), place + ": " + row->name + " must be " +
                                 (detail.empty() ? row->expected : detail) + ", found " +
                                 Found(value));
    }
  }

  void ReadSlides(const toml::node& node, Show& show) const {
    const toml::array* list = node.as_array();
    if (!list || !list->is_array_of_tables())
      Fail(node.source(), "slide must be [[slide]] tables, one for each picture");
    for (const toml::node& item : *list) {
      const toml::table& table = *item.as_table();
      const std::string place = "slide " + std::to_string(show.Slides.size() + 1);
      Slide slide;
      ReadTable(table, showfile::SlideKeys(), slide, place);
      if (!table.contains("picture"))
        Fail(table.source(), place + ": picture is missing; give the picture file's path");
      show.Slides.push_back(std::move(slide));
    }
  }

  Show Read(std::string_view text) const {
    if (text.size() > kMaxShowFileBytes)
      throw ShowFileError(name + ": larger than " + std::to_string(kMaxShowFileBytes >> 20) +
                          " MiB; a show file holds settings and file names, not pictures");
    toml::table root;
    try {
      root = toml::parse(text, std::string_view(name));
    } catch (const toml::parse_error& e) {
      Fail(e.source(), "not a TOML file: " + std::string(e.description()));
    }
    Show show;
    for (auto&& entry : root) {
      const toml::key& key = entry.first;
      const toml::node& value = entry.second;
      if (key.str() == "show") {
        const toml::table* table = value.as_table();
        if (!table) Fail(value.source(), "show must be one [show] table");
        ReadTable(*table, showfile::ShowKeys(), show.Settings, "[show]");
      } else if (key.str() == "slide") {
        ReadSlides(value, show);
      } else {
        const bool slideKey = IsSlideKey(key.str());
        Fail(key.source(), "unknown key " + showfile::QuotedToml(key.str()) +
                               (slideKey ? " outside the tables; put it under [show] or [[slide]]"
                                         : "; a show file holds a [show] table and [[slide]] "
                                           "tables"));
      }
    }
    if (show.Slides.empty())
      throw ShowFileError(name + ": no [[slide]] tables; a show needs at least one picture");
    return show;
  }
};

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ShowFileError(path + ": cannot read this file (" + std::strerror(errno) + ")");
  std::string text;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, size_t(in.gcount()));
    if (text.size() > kMaxShowFileBytes) break;  // refused by the reader, unread further
  }
  if (in.bad()) throw ShowFileError(path + ": cannot read this file");
  return text;
}

// "" when path is a readable file, else what is wrong with it.
std::string FileProblem(const std::string& path) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) return "missing";
  if (!fs::is_regular_file(st)) return "not a file";
  if (access(path.c_str(), R_OK) != 0) return "not readable";
  return "";
}

}  // namespace

Show ParseShowText(std::string_view text, const std::string& name, const fs::path& folder) {
  return Reader{name, folder}.Read(text);
}

Show ReadShowFile(const std::string& path) {
  if (fs::is_directory(path)) throw ShowFileError(path + ": is a folder, not a show file");
  const fs::path folder = fs::path(path).parent_path();
  Show show = ParseShowText(ReadWholeFile(path), path, folder);
  // Every file that is not there at once, so one edit fixes them all.
  std::vector<std::string> problems;
  for (size_t i = 0; i < show.Slides.size(); ++i)
    if (const std::string p = FileProblem(show.Slides[i].Picture); !p.empty())
      problems.push_back("slide " + std::to_string(i + 1) + " " +
                         showfile::QuotedToml(show.Slides[i].Picture) +
                         " (" + p + ")");
  for (const SoundFile& sound : show.Settings.Sound)
    if (const std::string p = FileProblem(sound.File); !p.empty())
      problems.push_back("sound " + showfile::QuotedToml(sound.File) + " (" + p + ")");
  if (!problems.empty()) {
    std::string text = path + ": " + std::to_string(problems.size()) +
                       (problems.size() == 1 ? " file" : " files") + " cannot be read: ";
    for (size_t i = 0; i < problems.size(); ++i) text += (i ? ", " : "") + problems[i];
    throw ShowFileError(OneLine(text));
  }
  return show;
}

std::string ShowFileText(const Show& show, const fs::path& folder) {
  std::string text =
      "# A Lanternslide show: lanternslide-render THIS-FILE -o video.mp4\n"
      "# Times are seconds; a [[slide]] value left out comes from [show].\n"
      "# Every key is described in docs/show-file.md.\n\n[show]\n";
  auto put = [&text](const char* key, const std::optional<std::string>& value) {
    if (value) text += std::string(key) + " = " + *value + "\n";
  };
  for (const KeyRow<ShowSettings>& row : showfile::ShowKeys())
    put(row.name, row.write(show.Settings, folder));
  for (const Slide& slide : show.Slides) {
    text += "\n[[slide]]\n";
    for (const KeyRow<Slide>& row : showfile::SlideKeys()) put(row.name, row.write(slide, folder));
  }
  return text;
}

void WriteShowFile(const Show& show, const std::string& path) {
  const fs::path target(path);
  const fs::path folder = target.parent_path();
  const std::string text = ShowFileText(show, folder);
  const fs::path temporary =
      folder / ("." + target.filename().string() + ".partial-" + std::to_string(getpid()));
  {
    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      const std::string reason = errno ? std::strerror(errno) : "write failed";
      std::error_code ec;
      fs::remove(temporary, ec);
      throw ShowFileError(path + ": cannot write the show file (" + reason + ")");
    }
  }
  std::error_code ec;
  fs::rename(temporary, target, ec);
  if (ec) {
    const std::string reason = ec.message();
    fs::remove(temporary, ec);
    throw ShowFileError(path + ": cannot write the show file (" + reason + ")");
  }
}

}  // namespace slideshow
