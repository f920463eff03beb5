#include "cad/DrawingDocuments.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"

#include <QDir>

using automation::Variant;

QString DrawingFile(const Variant& document)
{
    try {
        const Variant name = automation::get(document, u"FullName");
        return name.type() == automation::VarType::BStr ? QString::fromStdU16String(name.toBStr()) : QString();
    } catch (const automation::AutomationError&) {
        return {}; // a CAD or a document that keeps no file name
    }
}

bool SameDrawingFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const auto normal = [](const QString& path) { return QDir::cleanPath(QDir::fromNativeSeparators(path)); };
    return QString::compare(normal(a), normal(b), Qt::CaseInsensitive) == 0;
}

Variant FindOpenDocument(const Variant& application, const QString& path)
{
    const Variant documents = automation::get(application, u"Documents");
    const int32_t count = automation::get(documents, u"Count").toI4();
    for (int32_t i = 0; i < count; ++i) {
        Variant document = automation::call(documents, u"Item", Variant::i4(i));
        if (SameDrawingFile(DrawingFile(document), path))
            return document;
    }
    return {};
}
