// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes either decode to a guide that encodes and decodes to itself, or fail cleanly.
#include "model/GuideJson.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto guide = kelvo::decodeGuide(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!guide)
        return 0;
    const auto document = kelvo::encodeGuide(*guide);
    if (!document)
        return 0; // non-finite numbers cannot be written
    const auto again = kelvo::decodeGuide(*document);
    if (!again || kelvo::encodeGuide(*again) != document)
        std::abort();
    return 0;
}
