#pragma once

// A minimal zip writer for tests: members stored without compression.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

namespace testzip {

inline uint32_t Crc32(const QByteArray& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : data) {
        crc ^= uint8_t(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void Put16(QByteArray& out, uint32_t v)
{
    out.append(char(v & 255));
    out.append(char((v >> 8) & 255));
}

inline void Put32(QByteArray& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline QByteArray StoredZip(const std::vector<std::pair<QString, QByteArray>>& members)
{
    QByteArray out, central;
    for (const auto& [name, data] : members) {
        const QByteArray n = name.toUtf8();
        const uint32_t crc = Crc32(data);
        const uint32_t offset = uint32_t(out.size());
        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, 0);
        Put16(out, 0);
        Put16(out, 0);
        Put16(out, 0x21);
        Put32(out, crc);
        Put32(out, uint32_t(data.size()));
        Put32(out, uint32_t(data.size()));
        Put16(out, uint32_t(n.size()));
        Put16(out, 0);
        out.append(n);
        out.append(data);

        Put32(central, 0x02014b50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0x21);
        Put32(central, crc);
        Put32(central, uint32_t(data.size()));
        Put32(central, uint32_t(data.size()));
        Put16(central, uint32_t(n.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, offset);
        central.append(n);
    }
    const uint32_t centralOffset = uint32_t(out.size());
    out.append(central);
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, uint32_t(members.size()));
    Put16(out, uint32_t(members.size()));
    Put32(out, uint32_t(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
}

} // namespace testzip
