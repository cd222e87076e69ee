#include "core/platform/desktop_services.h"

#include <utility>

namespace corvane {

namespace {
DocumentOpener &currentOpener()
{
    static DocumentOpener opener;
    return opener;
}
} // namespace

void OpenDocument(const QString &path)
{
    if (currentOpener())
        currentOpener()(path);
}

DocumentOpener SetDocumentOpener(DocumentOpener opener)
{
    return std::exchange(currentOpener(), std::move(opener));
}

} // namespace corvane
