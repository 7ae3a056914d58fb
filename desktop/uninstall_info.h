// The text of uninstall.info: one "Link:<path>" line, ended by CR LF, for
// each link the installation made.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace qz {

// One byte per character while every character of every path fits in 8
// bits; otherwise the whole file is UTF-8, so that the uninstaller still
// finds a path that Latin-1 cannot hold. Empty paths are left out.
std::string UninstallInfoBytes(std::initializer_list<std::u16string_view> linkPaths);

// The text of the file as it was written: UTF-8 when the bytes are UTF-8 and
// hold a character that 8 bits cannot, else one character per byte.
std::u16string UninstallInfoText(std::string_view bytes);

}  // namespace qz
