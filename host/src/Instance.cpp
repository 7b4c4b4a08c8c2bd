// Instances: objects drawn where their plug-in last put them, with the values of their data refs.
// Each instance holds a reference to its object of its own; what XPLMInstanceSetPosition gave
// is kept for the control API (bmhost::Instances) and bmsim --instances.
#include <cstdio>
#include <string>
#include <vector>

#include "HostState.h"
#include "Scenery.h"
#include "XPLMInstance.h"

using namespace bmhost::detail;

namespace {

struct Instance {
    std::size_t object = 0;
    XPLMPluginID owner = XPLM_NO_PLUGIN_ID;
    bool alive = true;
    std::vector<std::string> datarefs;
    std::vector<float> values;
    float position[6] = {0, 0, 0, 0, 0, 0};  // x, y, z, pitch, heading, roll
    int positions = 0;
};

std::vector<Instance>& Live() {
    static std::vector<Instance> instances;
    return instances;
}

Instance* InstanceFromHandle(XPLMInstanceRef handle, const char* function) {
    std::size_t index;
    if (DecodeHandle(handle, HandleKind::Instance, &index) && index < Live().size() && Live()[index].alive)
        return &Live()[index];
    HostWarning(std::string(function) + ": not an instance");
    return nullptr;
}

void Destroy(Instance& instance) {
    instance.alive = false;
    --ObjectAt(instance.object).instances;
    PurgeIfUnused(instance.object);
}

std::string Number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", double(value));
    return text;
}

}  // namespace

namespace bmhost::detail {

void ResetInstances() { Live().clear(); }

void SweepInstances(XPLMPluginID owner) {
    for (Instance& instance : Live())
        if (instance.alive && instance.owner == owner) Destroy(instance);
}

}  // namespace bmhost::detail

namespace bmhost {

int InstanceCount(XPLMPluginID plugin) {
    int n = 0;
    for (const Instance& instance : Live())
        n += instance.alive && (plugin == XPLM_NO_PLUGIN_ID || instance.owner == plugin);
    return n;
}

std::vector<InstanceRecord> Instances() {
    std::vector<InstanceRecord> records;
    for (const Instance& instance : Live()) {
        if (!instance.alive) continue;
        InstanceRecord record;
        record.object = ObjectAt(instance.object).path;
        record.owner = instance.owner;
        record.x = instance.position[0];
        record.y = instance.position[1];
        record.z = instance.position[2];
        record.pitch = instance.position[3];
        record.heading = instance.position[4];
        record.roll = instance.position[5];
        record.datarefs = instance.datarefs;
        record.values = instance.values;
        record.positions = instance.positions;
        records.push_back(std::move(record));
    }
    return records;
}

std::string InstanceRecord::ToString() const {
    std::string text = object + " at " + Number(x) + "," + Number(y) + "," + Number(z) + " pitch " + Number(pitch) +
                       " heading " + Number(heading) + " roll " + Number(roll);
    for (std::size_t i = 0; i < datarefs.size() && i < values.size(); ++i)
        text += " " + datarefs[i] + "=" + Number(values[i]);
    return text;
}

}  // namespace bmhost

XPLMInstanceRef XPLMCreateInstance(XPLMObjectRef obj, const char** datarefs) {
    BMHOST_ENTER();
    std::size_t object;
    if (!ObjectFromHandle(obj, "XPLMCreateInstance", &object)) return nullptr;
    if (!datarefs) {
        HostWarning("XPLMCreateInstance: no data ref list (give one holding only NULL for none)");
        return nullptr;
    }
    Instance instance;
    instance.object = object;
    instance.owner = S().current;
    for (const char** name = datarefs; *name; ++name) instance.datarefs.push_back(*name);
    instance.values.assign(instance.datarefs.size(), 0.0f);
    ++ObjectAt(object).instances;
    Live().push_back(std::move(instance));
    return MakeHandle(HandleKind::Instance, Live().size() - 1);
}

void XPLMDestroyInstance(XPLMInstanceRef instance) {
    BMHOST_ENTER();
    if (Instance* found = InstanceFromHandle(instance, "XPLMDestroyInstance")) Destroy(*found);
}

void XPLMInstanceSetPosition(XPLMInstanceRef instance, const XPLMDrawInfo_t* new_position, const float* data) {
    BMHOST_ENTER();
    Instance* found = InstanceFromHandle(instance, "XPLMInstanceSetPosition");
    if (!found) return;
    if (!new_position || new_position->structSize < int(sizeof(XPLMDrawInfo_t))) {
        HostWarning("XPLMInstanceSetPosition: no XPLMDrawInfo_t, or its structSize is below 28");
        return;
    }
    const float position[6] = {new_position->x,     new_position->y,       new_position->z,
                               new_position->pitch, new_position->heading, new_position->roll};
    std::copy(position, position + 6, found->position);
    ++found->positions;
    if (!found->values.empty() && !data) {
        HostWarning("XPLMInstanceSetPosition: no data for " + std::to_string(found->values.size()) +
                    " data refs; the old values stay");
        return;
    }
    std::copy(data, data + found->values.size(), found->values.begin());
}
