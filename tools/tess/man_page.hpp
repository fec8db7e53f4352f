// The manual page tess(1), made from the help texts of the parser.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace tess {

// The page in roff (man -l), every command's help in its own section.
std::string man_page(const CLI::App &app);

}  // namespace tess
