#pragma once

#include "platform/db/DbError.h"

#include <QString>

#include <utility>

// Runs `action`: the message of the DbError it ends with; empty when it ends
// normally, so that comparing with the message expected also fails when
// nothing was refused. Any other failure passes through.
template <typename Action>
QString dbErrorOf(Action&& action)
{
    try {
        std::forward<Action>(action)();
    } catch (const db::DbError& e) {
        return e.message();
    }
    return {};
}
