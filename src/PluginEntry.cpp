// The plug-in's only exported symbols: the factory the host calls after loading it.
#include "plugin/PV.h"
#include "plugin/PlatformServices.h"
#include "plugin/PluginInterface.h"

extern "C" {

PICTAVO_EXPORT pictavo::PluginInterface* pictavo_create_plugin() {
    try {
        return new pictavo::PV(pictavo::PlatformServices::production());
    } catch (...) {
        return nullptr;
    }
}

PICTAVO_EXPORT void pictavo_destroy_plugin(pictavo::PluginInterface* plugin) {
    delete plugin;
}
}
