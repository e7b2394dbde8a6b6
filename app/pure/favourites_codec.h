// The favourites file and the list operations on the favourites, without
// any file or window: the store (app/favourites.cpp) reads and writes the
// bytes, the favourites window validates what the user typed.
//
// The file is UTF-8 text, four lines per favourite (description, host, port
// in decimal, password), every line ended by CR LF when written. Reading
// accepts CR, LF or CR LF, and skips a byte-order mark that an editor may
// have put at the start of a hand-edited file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Favourite {
  std::string description;  // the key the lists show and find it by
  std::string host;
  int32_t port = 0;
  std::string password;  // kept in plain text, as the file has it
};

using FavouriteList = std::vector<Favourite>;

// Turns a line that is not UTF-8 into UTF-8: a hand-edited file may have
// been saved in the system's ANSI code page ("M\xFCller server").
using LegacyLineDecoder = std::string (*)(std::string_view line);

// The favourites a file holds, in file order. The end of the file is only
// looked for before each record, so a file that stops inside a record gives
// a last favourite with empty fields (port 0), and an extra empty line at the
// end gives one favourite with every field empty. Each line that is not valid
// UTF-8 goes through `legacy` (when given), so that the entry can be shown,
// found and deleted, and is written back as UTF-8.
FavouriteList DecodeFavourites(std::string_view bytes, LegacyLineDecoder legacy = nullptr);

// The file's bytes for `list`. Line breaks inside a field would shift every
// following record by a line, so they are dropped.
std::string EncodeFavourites(const FavouriteList& list);

// Leading and trailing space characters removed (spaces only, as typed).
std::string TrimSpaces(std::string_view text);

// The favourite that "Add" stores: description trimmed, port text converted
// by the program's number rule (a text without a number gives 0).
Favourite MakeFavourite(std::string_view description, std::string_view host,
                        std::string_view portText, std::string_view password);

// Gives host, port and password to every favourite whose description is the
// trimmed `description` (a hand-edited file may repeat one). Returns how many
// changed.
int SaveFavouriteIn(FavouriteList& list, std::string_view description, std::string_view host,
                    std::string_view portText, std::string_view password);

// Removes the first favourite with exactly this description. False if none.
bool DeleteFavouriteFrom(FavouriteList& list, std::string_view description);

// The first favourite with exactly this description (case-sensitive), or null.
const Favourite* FindFavouriteIn(const FavouriteList& list, std::string_view description);

// What the favourites window checks before "Add" and "Save": the first empty
// field in the order description, host, port, password. Spaces count as text.
enum class FavouriteField { None, Description, Host, Port, Password };
FavouriteField FirstEmptyFavouriteField(std::string_view description, std::string_view host,
                                        std::string_view portText, std::string_view password);

// The message shown for an empty field ("" for None).
const char* EmptyFavouriteFieldMessage(FavouriteField field);
