// Which pictures, in which order: folders and patterns expanded, --sort.
#include <CLI/CLI.hpp>

#include "cli/option_groups.h"
#include "cli/option_values.h"
#include "cli/picture_folders.h"

namespace cli {

void AddPictureOptions(CLI::App& app, CommandLine& cl) {
  AddValue(app, "--sort", [&cl](const std::string& v) {
    cl.options.PictureSort = v;
    CheckPictureOrder(v);
  });
}

void SettlePictureOptions(CommandLine& cl) {
  RenderOptions& o = cl.options;
  const PictureOrder order = CheckPictureOrder(o.PictureSort.empty() ? "name" : o.PictureSort);
  o.Pictures = ExpandPictures(o.Pictures, order, !o.PictureSort.empty());
}

}  // namespace cli
