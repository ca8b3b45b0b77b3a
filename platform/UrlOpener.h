// Opening an address in the user's browser by starting an opener program
// ("xdg-open") with the address as its one argument. No shell ever sees the
// address, which comes from game data.
#pragma once

#include <string>

inline constexpr char kDefaultUrlOpener[] = "xdg-open";

// Whether an address may be handed to the opener: not empty, no NUL byte,
// and not starting with "-", where the opener would read it as an option.
bool IsAcceptableUrl(const std::string& url);

// Starts `opener` (looked up on PATH when it holds no "/") with `url` as its
// only argument, detached: the caller neither waits for it nor leaves a
// zombie behind. Answers true once the program has started; false when the
// address is refused or the program could not be started.
bool OpenUrlWith(const std::string& opener, const std::string& url);
