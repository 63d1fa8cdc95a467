#include "support/TestComponent.h"

#include "platform/RegistryHive.h"
#include "settings/HostScriptsKey.h"
#include "settings/Settings.h"

namespace pictavo::test {

namespace {

// Puts `service` into `slot` and hands back where it went.
template <typename Service, typename Base>
Service* install(std::unique_ptr<Base>& slot, std::unique_ptr<Service> service) {
    Service* raw = service.get();
    slot = std::move(service);
    return raw;
}

}  // namespace

TestComponent::TestComponent(QImage screenImage) {
    if (screenImage.isNull()) {
        screenImage = QImage(640, 480, QImage::Format_RGB32);
        screenImage.fill(QColor(40, 90, 160));
    }
    PlatformServices s;
    s.registryPath = RegistryHive::defaultPath();
    dialogs = install(s.dialogs, std::make_unique<ScriptedDialogs>());
    shell = install(s.shell, std::make_unique<FakeShell>());
    clock = install(s.clock, std::make_unique<FakeClock>());
    screen = install(s.screen, std::make_unique<FakeScreenSource>(std::move(screenImage)));
    video = install(s.video, std::make_unique<FakeVideoDevices>());
    pv = std::make_unique<PV>(std::move(s));
}

void TestComponent::setScriptsDir(const QString& scriptsDir) {
    RegistryHive hive(RegistryHive::defaultPath());
    HostScriptsKey::publish(hive, scriptsDir);
}

bool TestComponent::initialize(const QString& email, int version) {
    setScriptsDir(QStringLiteral(PICTAVO_SCRIPTS_DIR));
    return pv->Initialize(version, email, nullptr);
}

void TestComponent::set(const char* sub, const char* name, const QString& value) {
    pv->settings().setValue(QLatin1String(sub), QLatin1String(name), value);
}

QString TestComponent::get(const char* sub, const char* name) const {
    return pv->settings().value(QLatin1String(sub), QLatin1String(name));
}

QString TestComponent::command(const QString& word, const QString& argument) {
    return pv->ParseCommand(word, argument, nullptr);
}

QImage testScreen(int width, int height) {
    QImage screen(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            screen.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * 7 ^ y * 13) & 0xff));
        }
    }
    return screen;
}

}  // namespace pictavo::test
