// Pictures named as a folder or as a quoted pattern ("trip/*.jpg") become
// the picture files they hold, in the order --sort asks for.
#pragma once

#include <string>
#include <vector>

namespace cli {

enum class PictureOrder { Name, Date, None };

// "name", "date" or "none"; UsageError otherwise.
PictureOrder CheckPictureOrder(const std::string& text);

// Expands folders (their picture files by extension, hidden ones skipped)
// and patterns that name no file; other paths stay as they are. Each
// folder's or pattern's pictures come in `order`; with `sortAll` the whole
// list does. Throws UsageError for a folder without pictures or a pattern
// that matches nothing.
std::vector<std::string> ExpandPictures(const std::vector<std::string>& pictures, PictureOrder order,
                                        bool sortAll);

// Name order with numbers compared by value: IMG_9 before IMG_10.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace cli
