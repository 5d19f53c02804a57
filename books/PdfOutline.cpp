#include "PdfOutline.h"

#include <poppler-qt6.h>

#include <memory>

namespace {

void silence(const QString &, const QVariant &) {}

struct Item {
    Poppler::OutlineItem item;
    int depth = 1;
};

} // namespace

namespace PdfOutline {

QList<Entry> entriesOf(const QString &path) {
    Poppler::setDebugErrorFunction(silence, QVariant());
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (document == nullptr || document->isLocked()) {
        return {};
    }
    const int pages = document->numPages();
    QList<Entry> entries;
    // Depth first without recursion, in outline order: a stack of items still to
    // visit, the next one on top.
    QList<Item> pending;
    const QVector<Poppler::OutlineItem> top = document->outline();
    for (auto it = top.crbegin(); it != top.crend(); ++it) {
        pending.append({*it, 1});
    }
    int visited = 0;
    while (!pending.isEmpty() && ++visited <= MaxEntries) {
        const Item next = pending.takeLast();
        const QSharedPointer<const Poppler::LinkDestination> destination = next.item.destination();
        const int page = destination != nullptr ? destination->pageNumber() - 1 : -1;
        const QString title = next.item.name().simplified();
        if (page >= 0 && page < pages && !title.isEmpty() &&
            next.item.externalFileName().isEmpty()) {
            entries.append({page, next.depth, title.toUtf8()});
        }
        if (next.depth < MaxDepth && next.item.hasChildren()) {
            const QVector<Poppler::OutlineItem> children = next.item.children();
            for (auto it = children.crbegin(); it != children.crend(); ++it) {
                pending.append({*it, next.depth + 1});
            }
        }
    }
    return entries;
}

} // namespace PdfOutline
