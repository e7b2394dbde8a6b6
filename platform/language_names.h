// A table of common Windows language identifiers and the names Windows gives
// them, for the POSIX side (Windows itself answers through VerLanguageNameW).
#pragma once

#include <cstdint>

namespace platform {

// The name of `languageId`, or null when the table does not know it.
const char* FindLanguageName(uint32_t languageId);

}  // namespace platform
