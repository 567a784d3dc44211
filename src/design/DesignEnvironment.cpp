#include "design/DesignEnvironment.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSettings>
#include <QStandardPaths>

namespace mv {

DesignEnvironment::DesignEnvironment(QObject* parent)
    : QObject(parent)
{
}

const DesignEnvironment& environmentOrDefault(const DesignEnvironment* environment)
{
    static const DesignEnvironment fallback;
    return environment ? *environment : fallback;
}

ColorScheme DesignEnvironment::colorSchemeFromPalette(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const QColor text = palette.color(QPalette::Active, QPalette::WindowText);
    return window.lightnessF() < text.lightnessF() ? ColorScheme::dark : ColorScheme::light;
}

void DesignEnvironment::readFromDesktop()
{
    setColorScheme(colorSchemeFromPalette(QGuiApplication::palette()));

    // GTK desktops keep their animation switch here; a missing file means animations are on.
    const QString settingsPath = QStandardPaths::locate(QStandardPaths::GenericConfigLocation,
                                                        QStringLiteral("gtk-3.0/settings.ini"));
    if (!settingsPath.isEmpty()) {
        const QSettings gtk(settingsPath, QSettings::IniFormat);
        const QVariant animations = gtk.value(QStringLiteral("Settings/gtk-enable-animations"));
        if (animations.isValid()) {
            const QString value = animations.toString().trimmed().toLower();
            setReduceMotion(value == QLatin1String("false") || value == QLatin1String("0"));
        }
    }
}

void DesignEnvironment::setReduceTransparency(bool reduce)
{
    if (m_reduceTransparency == reduce)
        return;
    m_reduceTransparency = reduce;
    Q_EMIT changed();
}

void DesignEnvironment::setReduceMotion(bool reduce)
{
    if (m_reduceMotion == reduce)
        return;
    m_reduceMotion = reduce;
    Q_EMIT changed();
}

void DesignEnvironment::setColorScheme(ColorScheme scheme)
{
    if (m_colorScheme == scheme)
        return;
    m_colorScheme = scheme;
    Q_EMIT changed();
}

} // namespace mv
