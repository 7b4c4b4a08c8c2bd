#ifndef BMHOST_SCENERY_H
#define BMHOST_SCENERY_H
// The objects the scenery has loaded, shared by the object functions (Scenery.cpp) and the
// instances (Instance.cpp), which hold references of their own.
#include <cstddef>
#include <map>
#include <string>

#include "XPLMDefs.h"

namespace bmhost::detail {

struct SceneryObject {
    std::string path;  // relative to the simulator folder, '/'-separated
    bool alive = true;
    std::map<XPLMPluginID, int> references;  // loads not yet unloaded, by plug-in
    int instances = 0;                       // live instances of it
};

// The live object behind a handle, with its index; null (and a report naming `function`) for
// anything else.
SceneryObject* ObjectFromHandle(void* handle, const char* function, std::size_t* index = nullptr);
SceneryObject& ObjectAt(std::size_t index);
void* ObjectHandle(std::size_t index);
// Purges the object once no plug-in and no instance uses it.
void PurgeIfUnused(std::size_t index);

void ResetInstances();
void SweepInstances(XPLMPluginID owner);
int InstanceRegistrations(XPLMPluginID plugin);

}  // namespace bmhost::detail

#endif
