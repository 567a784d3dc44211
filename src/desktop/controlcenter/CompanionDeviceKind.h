#pragma once

#include "core/models/EnumTraits.h"

#include <QSizeF>
#include <QString>

#include <array>
#include <optional>

namespace mv {

// The simulated device of the companion preview. Not saved: the page starts on the phone.
enum class CompanionDeviceKind { iPhone, iPad };

template<>
struct EnumInfo<CompanionDeviceKind> {
    static constexpr const char* noun = "a companion device";
    static constexpr std::array<EnumCase<CompanionDeviceKind>, 2> cases{{
        {CompanionDeviceKind::iPhone, "iPhone", "iPhone 17 Pro"},
        {CompanionDeviceKind::iPad, "iPad", "iPad Pro"},
    }};
    static_assert(casesInDeclarationOrder(cases));
};

// What the preview draws of a device: its logical screen, the screen's corner radius, the
// capsule at the top (the phone's only) and the number of grid columns.
struct CompanionDeviceMetrics {
    QSizeF screen;
    double cornerRadius = 0;
    std::optional<QSizeF> topCapsule;
    int gridColumns = 1;
};

CompanionDeviceMetrics companionDeviceMetrics(CompanionDeviceKind device);

// The visual scale of a device of logical size `screen` in an area of `available` points:
// both sides fit with 20 to spare, never enlarged beyond 1. The device keeps its logical size
// in layout; only its drawing shrinks.
double companionDeviceScale(const QSizeF& screen, const QSizeF& available);

} // namespace mv
