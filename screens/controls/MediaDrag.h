#pragma once

#include <QMimeData>
#include <QString>
#include <QUrl>

namespace tonwerk::ui {

// The MIME type of a media file dragged from the file browser's lists: the file's path as UTF-8.
inline constexpr const char* kMediaPathMime = "application/x-tonwerk-media-path";

// The file a drop carries: a path from the file browser, else the first local file of a desktop
// drop; empty when there is none.
[[nodiscard]] inline QString droppedMediaPath(const QMimeData& data) {
    if (data.hasFormat(QString::fromLatin1(kMediaPathMime))) {
        return QString::fromUtf8(data.data(QString::fromLatin1(kMediaPathMime)));
    }
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}

} // namespace tonwerk::ui
