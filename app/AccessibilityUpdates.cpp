// Qt makes and keeps an accessibility object for every widget that reports a change, and every
// widget shown reports one, whether or not an assistive technology listens: about 0.6 KB per
// widget, some megabytes for a desktop of fences. While none listens the reports reach no one,
// so they are dropped here before Qt makes anything for them; once one listens they pass to Qt
// as before, and Qt makes the objects it is asked for.
//
// This replaces the library's definition for the whole program (the executable's own comes
// first in symbol lookup), and hands over to it through the next definition.
#include <QAccessible>

#include <dlfcn.h>

void QAccessible::updateAccessibility(QAccessibleEvent* event)
{
    using Update = void (*)(QAccessibleEvent*);
    static const auto qtUpdate =
        reinterpret_cast<Update>(dlsym(RTLD_NEXT, "_ZN11QAccessible19updateAccessibilityEP16QAccessibleEvent"));
    if (qtUpdate && QAccessible::isActive())
        qtUpdate(event);
}
