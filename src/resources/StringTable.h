#pragma once
#include <string>
#include <vector>

#include "resources/Messages.h"

namespace kelvora {

// The program's string table: the interface texts of every language, compiled in. Entry n is id
// base + n of each language (Languages.h): 1000 + n in English, 2000 + n in Dutch. Texts are
// UTF-8.
// The text of `id`; an id not in the table raises RuntimeError Err::ResourceNotFound.
std::string LoadResString(int id);

// Every entry of the table, in ascending order.
std::vector<Msg> StringTableEntries();

}  // namespace kelvora
