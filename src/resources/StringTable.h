#pragma once
#include <string>
#include <vector>

namespace kelvora {

// The program's string table: the interface texts of both languages, compiled in. Entry n of
// the table is id 1000 + n in English and 2000 + n in Dutch (n = 0..55). Texts are UTF-8.
inline constexpr int EnglishBase = 1000;
inline constexpr int DutchBase = 2000;
inline constexpr int StringTableEntries = 56;

// The text of `id`; an id not in the table raises RuntimeError Err::ResourceNotFound.
std::string LoadResString(int id);

bool HasResString(int id);

// The entries (56 and up) of the program's own further messages, in ascending order; their
// texts are ids 1000 + n and 2000 + n like the others. "%1", "%2", ... in them stand for what
// the message fills in.
std::vector<int> FurtherMessageEntries();

}  // namespace kelvora
