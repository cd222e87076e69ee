#pragma once

#include <QString>

#include <functional>

namespace corvane {

// Asks the desktop to open a file in the viewer associated with its type.
// Nothing is reported when there is no viewer or no file. The window layer
// installs the real opener; tests install one that records the paths.
void OpenDocument(const QString &path);

using DocumentOpener = std::function<void(const QString &path)>;
DocumentOpener SetDocumentOpener(DocumentOpener opener);

} // namespace corvane
