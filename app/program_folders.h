#pragma once

#include <string>

namespace pelmora {

// The folder name of `program`'s day files: "history" for Pelmora, and one
// of its own for any other name ("history-PelmoraB"), so that two programs
// reading one gateway side by side never write the same minutes twice.
// Characters a folder name cannot hold become "_".
std::string HistoryFolderName(const std::string& program);

}  // namespace pelmora
