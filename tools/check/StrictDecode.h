// Pictures and sounds of the data decoded completely, and more strictly than
// the game decodes them: the game shows a picture with a damaged stretch or
// plays a damaged sound as best it can, the data check reports it. Each
// answers an empty text for a whole file, else what is wrong with it.
//
// A JPEG is decoded to its last line, and any warning of the library
// (corrupt data, extraneous bytes, a premature end) is damage. A PNG is
// decoded through its end, with every chunk's CRC checked, warnings included.
// A WAV goes through the game's reader, and its chunks must fill the file
// exactly as its RIFF header says. An Ogg Vorbis stream is decoded to its end
// (a page whose CRC fails leaves a hole). A module is loaded and rendered to
// its end by libopenmpt, whose warnings are damage.
//
// Raw sample data (a WAV's, a module's) carries no check of its own: bytes
// changed inside it decode as other sound and cannot be told from it.
#pragma once

#include <string>

std::string StrictJpegDamage(const std::string& bytes);
std::string StrictPngDamage(const std::string& bytes);
std::string StrictWavDamage(const std::string& bytes);
std::string StrictOggDamage(const std::string& bytes);
std::string StrictModuleDamage(const std::string& bytes);

// By the file name's ending (any case): .jpg/.jpeg, .png, .wav, .ogg, and
// the module kinds (.mod, .xm, .s3m, .it); nothing is said of other files.
std::string StrictDamage(const std::string& fileName, const std::string& bytes);
