#pragma once

#include "platform/automation/Variant.h"

#include <QString>

#include <cstdint>

// The in-memory record of one entity of the drawing's model space: its
// layer, its ObjectID and a reference to the entity itself.
class TspDetail {
public:
    // Kind codes: created and never loaded; a generic detail loaded from an
    // entity; a pipe.
    static constexpr uint8_t KindCreated = 2;
    static constexpr uint8_t KindLoaded = 0;
    static constexpr uint8_t KindPipe = 1;

    TspDetail() = default;
    virtual ~TspDetail() = default;
    TspDetail(const TspDetail&) = delete;
    TspDetail& operator=(const TspDetail&) = delete;

    // Takes the entity and reads its layer, ObjectID and handle. An unreadable
    // layer or handle is no failure (each keeps its value); an unreadable
    // ObjectID is.
    virtual void LoadFromEntity(automation::Variant entity);

    QString FLayer;
    uint8_t FKind = KindCreated;
    automation::Variant FEntity = automation::Variant::null();
    int64_t FObjectID = 0;
    // The entity's handle, which the drawing keeps across sessions of the CAD
    // (the ObjectID is new in each); empty when the CAD could not tell it.
    QString FHandle;
    // The drawing the entity was read from: its identity (DrawingIdentity),
    // and its file; each empty where the CAD could not tell.
    QString FDrawing;
    QString FPath;
};
