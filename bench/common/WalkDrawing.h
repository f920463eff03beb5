#pragma once

#include "platform/automation/Dispatch.h"
#include "platform/automation/ObjectRegistry.h"

#include <QByteArray>
#include <QProcess>

#include <chrono>
#include <exception>
#include <optional>
#include <thread>

// The drawing the cross-process benchmarks walk: 10,000 pipe solids on seven
// layers among 10,000 other entities (alternately a line and a solid without
// pipe data), in the code page a Cyrillic CAD writes, saved with its identity
// (a drawing without one is another drawing at every load, whose rows are
// not selected).
constexpr int walkPipeCount = 10000;
constexpr int walkOtherCount = 10000;

inline QByteArray walkDrawing()
{
    QByteArray out = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$DWGCODEPAGE\n3\nANSI_1251\n"
                     "9\n$FINGERPRINTGUID\n2\n{5D1E4A9C-3B7F-4C2A-9E61-0A8B7C6D5E4F}\n0\nENDSEC\n"
                     "0\nSECTION\n2\nENTITIES\n";
    int handle = 0x100;
    auto next = [&] { return QByteArray::number(handle++, 16).toUpper(); };
    for (int i = 0; i < walkPipeCount; ++i)
        out += "0\n3DSOLID\n5\n" + next() + "\n8\nPipes_" + QByteArray::number(i % 7)
               + "\n1\nACIS\n1001\ntrb\n1070\n10\n1010\n" + QByteArray::number(1000 + i) + "\n1020\n25.0\n1030\n20.0\n";
    for (int i = 0; i < walkOtherCount; ++i)
        out += i % 2 ? "0\nLINE\n5\n" + next() + "\n8\n0\n" : "0\n3DSOLID\n5\n" + next() + "\n8\nEquipment\n";
    return out + "0\nENDSEC\n0\nEOF\n";
}

// The simulator's Application once it serves the drawing. Nothing when the
// process ends first or has not answered within a minute.
inline std::optional<automation::Variant> attachWhenServing(const QProcess& cad)
{
    for (int i = 0; i < 1200 && cad.state() != QProcess::NotRunning; ++i) {
        try {
            return automation::Variant::dispatch(automation::activeObject(u"AutoCAD.Application"));
        } catch (const std::exception&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    return std::nullopt;
}

// Ends the simulator the way a user's desktop would: asked first, killed
// when it does not go within ten seconds.
inline void endProcess(QProcess& cad)
{
    cad.terminate();
    if (!cad.waitForFinished(10000))
        cad.kill();
    cad.waitForFinished(10000);
}
