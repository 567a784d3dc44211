#pragma once

#include "desktop/controlcenter/ControlCenterTab.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace mv {

// The selected control-center page as a view sees it: the value lives with its owner, the view
// reads it, writes it and hears when anyone else changes it. Views take this instead of the
// owner itself, so they can be built over any object that keeps a page.
struct ControlCenterTabBinding {
    std::function<ControlCenterTab()> read;
    std::function<void(ControlCenterTab)> write;
    // Calls `onChange` after each change of the value, for as long as `context` lives.
    std::function<QMetaObject::Connection(QObject* context, std::function<void()> onChange)> observe;
};

// The binding of a page kept by `owner` behind a getter, a setter and a change signal. It holds
// the owner weakly: once the owner is gone it reads the first page and writes nothing.
template<class Owner>
ControlCenterTabBinding bindControlCenterTab(Owner* owner, ControlCenterTab (Owner::*getter)() const,
                                             void (Owner::*setter)(ControlCenterTab), void (Owner::*changed)())
{
    const QPointer<Owner> weakOwner(owner);
    ControlCenterTabBinding binding;
    binding.read = [weakOwner, getter] {
        return weakOwner ? (weakOwner.data()->*getter)() : ControlCenterTab::workspaces;
    };
    binding.write = [weakOwner, setter](ControlCenterTab tab) {
        if (weakOwner)
            (weakOwner.data()->*setter)(tab);
    };
    binding.observe = [weakOwner, changed](QObject* context, std::function<void()> onChange) {
        if (!weakOwner)
            return QMetaObject::Connection();
        return QObject::connect(weakOwner.data(), changed, context, std::move(onChange));
    };
    return binding;
}

} // namespace mv
