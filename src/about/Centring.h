#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window of outer size `size` goes to sit centred over a window whose
// outer rectangle is `owner`: half the difference of the sizes, divided as
// integers truncating toward zero (an odd difference loses its half pixel, a
// window larger than its owner moves left and up by half the excess, rounded
// toward zero). Not clamped to the screen.
inline QPoint centredOver(const QRect& owner, const QSize& size)
{
    return {owner.left() + (owner.width() - size.width()) / 2,
            owner.top() + (owner.height() - size.height()) / 2};
}
