// Any bytes as the path of a request to the map server: it asks for the page, or for a file
// directly in the Leaflet folder or its images/, never for anything else.
#include "exchange/mapserver.h"

#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const MapRequest asked = mapRequest(path, QStringLiteral("T"), kDebianLeafletFolder);
    if (asked.kind == MapRequest::Page &&
        QUrl::fromPercentEncoding(path.toUtf8()) != QLatin1String("/T/map.html"))
        std::abort();
    if (asked.kind == MapRequest::LeafletFile) {
        // The folder, perhaps images/, then one name that neither climbs nor hides.
        QString name = asked.file;
        if (!name.startsWith(kDebianLeafletFolder + QLatin1Char('/')))
            std::abort();
        name.remove(0, kDebianLeafletFolder.size() + 1);
        if (name.startsWith(QLatin1String("images/")))
            name.remove(0, 7);
        if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/')) ||
            asked.type.isEmpty() || !QFileInfo(asked.file).isFile())
            std::abort();
    }
    return 0;
}
