#pragma once

#include "platform/automation/Variant.h"

#include <QString>

// The drawings a CAD has open, by their files. A drawing's file is what a
// row keeps to find its drawing again when it is not the active one, and
// what a project's list of drawings names.

// The file a document was opened from (its FullName); empty for a drawing
// never saved, or where the CAD cannot tell. A CAD that does not answer at
// all fails the command.
QString DrawingFile(const automation::Variant& document);

// Whether two paths name the same drawing file, as a Windows file system
// compares them: whatever the letter case and the kind of separator.
bool SameDrawingFile(const QString& a, const QString& b);

// The open document of `application` whose file is `path`; Empty when no
// open document has it.
automation::Variant FindOpenDocument(const automation::Variant& application, const QString& path);
