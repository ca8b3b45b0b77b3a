// Parameter strings and small list helpers.
//
// A parameter string is a flat list of name=value pairs, each introduced by a
// separator (a backslash everywhere in the system): "\a=1\b={x=2\y=3}". There
// is no escape character; a value that has to hold the separator is wrapped
// in braces, and such a braced value is itself a parameter string once the
// braces are stripped. The same splitter cuts plain lists at ",", ";", "_"
// and "/".
//
// Nothing here raises on malformed text: an unbalanced "{" does not protect
// the separators after it, an unbalanced "}" is ordinary text. Texts are
// handled as bytes; separators and braces are ASCII. Name comparisons fold
// ASCII letters only.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using TOneArrayOfString = std::vector<std::string>;
// row[0] is the name, row[1] the value.
using TTwoArrayOfString = std::vector<std::array<std::string, 2>>;
using TIntegers = std::vector<int32_t>;
// A set of 8-bit characters, indexed by the unsigned byte value.
using TCharSet = std::bitset<256>;

// Scans text from index start (0-based) counting "{" as +1 and "}" as -1 and
// answers the first index at which the depth is back to zero after that
// character; std::string_view::npos when the end comes first (or start is
// past the end). Called at a "{" this is the index of its matching "}".
// Note that at a character other than a brace the answer is start itself.
size_t FindClosingBrace(std::string_view text, size_t start);

// Cuts text at sep after trimming characters below 33 from both ends of the
// whole text (the pieces themselves are not trimmed). A separator inside the
// first brace group of a piece does not cut when that group opens before the
// piece's first separator and is closed; later groups do not protect. Empty
// pieces are dropped. Answers the number of pieces; list is replaced only
// when that number is above zero and left untouched otherwise.
int Split(std::string_view text, TOneArrayOfString& list, char sep);

// Splits text at itemSep and makes one row per piece holding nameSep: the
// name is the text before the first nameSep less trailing characters below
// 33, the value the rest less leading characters below 33, with one outer
// pair of braces removed when it begins with "{" and ends with "}". Pieces
// without nameSep are skipped. pairs is always replaced by exactly the rows
// found, in text order; answers their number.
int SplitParams(std::string_view text, TTwoArrayOfString& pairs, char itemSep, char nameSep);

// The value of the first row whose name equals name ignoring ASCII case.
// Answers false and leaves value untouched when there is none.
bool FindParamValue(const TTwoArrayOfString& pairs, std::string_view name, std::string& value);

// SplitParams followed by FindParamValue; on a miss value is set to empty.
bool GetParam(std::string_view text, std::string_view name, char itemSep, char nameSep,
              std::string& value);

// text without one outer pair of braces when it begins with "{" and ends with
// "}" (at least two characters); otherwise text unchanged.
std::string StripBraces(std::string_view text);

// True when text splits at sep into no piece; such a text is set to empty.
// An empty text answers true.
bool IsEmptyList(std::string& text, char sep);

// How many characters of text are members of set.
int CountCharsInSet(const TCharSet& set, std::string_view text);

// Two upper-case hexadecimal digits per byte of text, in order.
std::string StringToHex(std::string_view text);

// Bytes from pairs of hexadecimal digits (either case). The result always has
// length text.size() / 2; decoding stops at the first pair that is not
// hexadecimal and the bytes from there on are zero. A trailing odd digit is
// ignored.
std::string HexToString(std::string_view text);

// index in [0, count): inserted there, later elements move up; index < 0:
// appended; index >= count: nothing changes.
void InsertInteger(TIntegers& array, int32_t value, int index);

// index in [0, count): that element is removed; index < 0: the last element
// is removed (nothing on an empty array); index >= count: nothing changes.
void DeleteInteger(TIntegers& array, int index);
