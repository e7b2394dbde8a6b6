#include "platform/language_names.h"

#include <cstddef>

namespace platform {
namespace {

struct LanguageEntry {
  uint16_t id;
  const char* name;
};

// Sorted by identifier.
constexpr LanguageEntry kLanguages[] = {
    {0x0000, "Language Neutral"},
    {0x0401, "Arabic (Saudi Arabia)"},
    {0x0402, "Bulgarian (Bulgaria)"},
    {0x0403, "Catalan (Catalan)"},
    {0x0404, "Chinese (Traditional, Taiwan)"},
    {0x0405, "Czech (Czech Republic)"},
    {0x0406, "Danish (Denmark)"},
    {0x0407, "German (Germany)"},
    {0x0408, "Greek (Greece)"},
    {0x0409, "English (United States)"},
    {0x040A, "Spanish (Spain, Traditional Sort)"},
    {0x040B, "Finnish (Finland)"},
    {0x040C, "French (France)"},
    {0x040D, "Hebrew (Israel)"},
    {0x040E, "Hungarian (Hungary)"},
    {0x040F, "Icelandic (Iceland)"},
    {0x0410, "Italian (Italy)"},
    {0x0411, "Japanese (Japan)"},
    {0x0412, "Korean (Korea)"},
    {0x0413, "Dutch (Netherlands)"},
    {0x0414, "Norwegian, Bokm\xC3\xA5l (Norway)"},
    {0x0415, "Polish (Poland)"},
    {0x0416, "Portuguese (Brazil)"},
    {0x0418, "Romanian (Romania)"},
    {0x0419, "Russian (Russia)"},
    {0x041A, "Croatian (Croatia)"},
    {0x041B, "Slovak (Slovakia)"},
    {0x041C, "Albanian (Albania)"},
    {0x041D, "Swedish (Sweden)"},
    {0x041E, "Thai (Thailand)"},
    {0x041F, "Turkish (Turkey)"},
    {0x0420, "Urdu (Islamic Republic of Pakistan)"},
    {0x0421, "Indonesian (Indonesia)"},
    {0x0422, "Ukrainian (Ukraine)"},
    {0x0423, "Belarusian (Belarus)"},
    {0x0424, "Slovenian (Slovenia)"},
    {0x0425, "Estonian (Estonia)"},
    {0x0426, "Latvian (Latvia)"},
    {0x0427, "Lithuanian (Lithuania)"},
    {0x0429, "Persian"},
    {0x042A, "Vietnamese (Vietnam)"},
    {0x042B, "Armenian (Armenia)"},
    {0x042D, "Basque (Basque)"},
    {0x042F, "Macedonian (Former Yugoslav Republic of Macedonia)"},
    {0x0436, "Afrikaans (South Africa)"},
    {0x0437, "Georgian (Georgia)"},
    {0x0439, "Hindi (India)"},
    {0x043E, "Malay (Malaysia)"},
    {0x043F, "Kazakh (Kazakhstan)"},
    {0x0441, "Kiswahili (Kenya)"},
    {0x0443, "Uzbek (Latin, Uzbekistan)"},
    {0x0445, "Bengali (India)"},
    {0x0449, "Tamil (India)"},
    {0x0456, "Galician (Galician)"},
    {0x0804, "Chinese (Simplified, PRC)"},
    {0x0807, "German (Switzerland)"},
    {0x0809, "English (United Kingdom)"},
    {0x080A, "Spanish (Mexico)"},
    {0x080C, "French (Belgium)"},
    {0x0810, "Italian (Switzerland)"},
    {0x0813, "Dutch (Belgium)"},
    {0x0814, "Norwegian, Nynorsk (Norway)"},
    {0x0816, "Portuguese (Portugal)"},
    {0x081A, "Serbian (Latin, Serbia)"},
    {0x081D, "Swedish (Finland)"},
    {0x0C07, "German (Austria)"},
    {0x0C09, "English (Australia)"},
    {0x0C0A, "Spanish (Spain, International Sort)"},
    {0x0C0C, "French (Canada)"},
    {0x0C1A, "Serbian (Cyrillic, Serbia)"},
    {0x1009, "English (Canada)"},
    {0x100C, "French (Switzerland)"},
    {0x1409, "English (New Zealand)"},
    {0x1809, "English (Ireland)"},
    {0x1C09, "English (South Africa)"},
    {0x2C0A, "Spanish (Argentina)"},
};

}  // namespace

const char* FindLanguageName(uint32_t languageId) {
  std::size_t lo = 0;
  std::size_t hi = sizeof kLanguages / sizeof kLanguages[0];
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (kLanguages[mid].id == languageId) return kLanguages[mid].name;
    if (kLanguages[mid].id < languageId) lo = mid + 1; else hi = mid;
  }
  return nullptr;
}

}  // namespace platform
