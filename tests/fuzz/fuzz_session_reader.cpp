// Feeds arbitrary bytes to the session file reader. Beyond not crashing and
// not allocating more than the input can hold, whatever the reader accepts
// must write back to the very bytes it was read from, but for the session
// numbers that are not finite, which it takes as 0.
#include "session_file.h"
#include "session_wire.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     int(size));
    const auto record = session_file::decode(bytes);
    if (record && !bytes_as_taken(bytes, *record).startsWith(session_file::encode(*record)))
        std::abort();
    return 0;
}
