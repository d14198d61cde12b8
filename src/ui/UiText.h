#pragma once
// The desktop program's edge for the core's 8-bit texts (base/TextCodec.h). Every text the
// core hands over is shown through FromCore; edit fields go both ways through FromCoreField and
// QtViews, which hands typed text back through ToCore.
#include <QString>
#include <string>

#include "base/TextCodec.h"

namespace zentrel::ui {

// A stored or received text for a label, a list cell, a caption or a message box.
inline QString FromCore(const std::string& text) {
    return QString::fromStdString(Windows1252ToUtf8(text));
}

// Typed text as the core's 8-bit text; false when a character lies beyond Latin-1.
inline bool ToCore(const QString& typed, std::string& text) {
    return Utf8ToLatin1(typed.toStdString(), text);
}

// An 8-bit text put into an edit field, from which it is read back as typed text: Latin-1 both
// ways, so that a field left as it was gives back the very bytes it was given.
inline QString FromCoreField(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace zentrel::ui
