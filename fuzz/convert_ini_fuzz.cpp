// Convert.ini as a user's editor may leave it: any text. What the program reads
// it writes back the same way, and reading that again gives the same record.
#include "convert/convert_settings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ConvertSettings record;
    ParseConvertIni(text, record);
    if (record.ConvFieldLen.size() < std::min<std::size_t>(record.ConvertField, kMaxPaddedWidths))
        std::abort();
    const std::string written = FormatConvertIni(record);
    ConvertSettings again;
    ParseConvertIni(written, again);
    if (!(again == record))
        std::abort();
    return 0;
}
