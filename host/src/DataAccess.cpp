// Named data: the simulator's own items and items shared between plug-ins.
#include "HostState.h"

using namespace bmhost::detail;

namespace bmhost::detail {

std::size_t AddDataItem(DataItem item) {
    State& s = S();
    std::size_t index = s.data.size();
    s.dataByName[item.name] = index;
    s.data.push_back(std::move(item));
    return index;
}

DataItem* ItemFromHandle(XPLMDataRef ref, const char* function) {
    if (!ref) return nullptr;
    std::size_t index = 0;
    if (!DecodeHandle(ref, HandleKind::DataRef, &index) || index >= S().data.size()) {
        HostWarning(std::string(function) + ": not a data ref handle");
        return nullptr;
    }
    return &S().data[index];
}

// A small documented set of the simulator's own data. Values are those of an aircraft parked
// at a fixed spot; total_running_time_sec follows the clock.
void SeedSimulatorData() {
    struct Seed {
        const char* name;
        XPLMDataTypeID type;
        bool writable;
        double value;
    };
    static const Seed seeds[] = {
        {"sim/flightmodel/position/latitude", xplmType_Double, false, 47.4647},
        {"sim/flightmodel/position/longitude", xplmType_Double, false, -122.3088},
        {"sim/flightmodel/position/elevation", xplmType_Double, false, 131.0},
        {"sim/flightmodel/position/local_x", xplmType_Double, true, 0.0},
        {"sim/flightmodel/position/local_y", xplmType_Double, true, 131.0},
        {"sim/flightmodel/position/local_z", xplmType_Double, true, 0.0},
        {"sim/flightmodel/position/theta", xplmType_Float, true, 0.0},
        {"sim/flightmodel/position/phi", xplmType_Float, true, 0.0},
        {"sim/flightmodel/position/psi", xplmType_Float, true, 90.0},
        {"sim/time/total_running_time_sec", xplmType_Float, false, 0.0},
        {"sim/time/paused", xplmType_Int, false, 0.0},
        {"sim/cockpit/electrical/night_vision_on", xplmType_Int, true, 0.0},
    };
    for (const Seed& seed : seeds) {
        DataItem item;
        item.name = seed.name;
        item.types = seed.type;
        item.writable = seed.writable;
        item.i = int(seed.value);
        item.f = float(seed.value);
        item.d = seed.value;
        AddDataItem(std::move(item));
    }
}

void SweepData(XPLMPluginID owner) {
    for (DataItem& item : S().data) {
        auto& sharers = item.sharers;
        for (auto it = sharers.begin(); it != sharers.end();) it = it->owner == owner ? sharers.erase(it) : it + 1;
    }
}

}  // namespace bmhost::detail

namespace {

// A change of a shared item is told to every sharer, the writer included.
void NotifySharers(const DataItem& item) {
    if (!item.shared) return;
    std::vector<Sharer> sharers = item.sharers;  // a callback may unshare
    for (const Sharer& sharer : sharers) {
        if (!sharer.func) continue;
        CurrentPluginScope scope(sharer.owner);
        sharer.func(sharer.refcon);
    }
}

template <typename T>
void Store(DataItem& item, T value) {
    item.i = int(value);
    item.f = float(value);
    item.d = double(value);
}

template <typename T>
T Read(XPLMDataRef ref, XPLMDataTypeID type, T DataItem::*field, const char* function) {
    DataItem* item = ItemFromHandle(ref, function);
    if (!item || !(item->types & type)) return T(0);
    return item->*field;
}

template <typename T>
void Write(XPLMDataRef ref, XPLMDataTypeID type, T value, const char* function) {
    DataItem* item = ItemFromHandle(ref, function);
    if (!item || !(item->types & type) || !item->writable) return;
    Store(*item, value);
    NotifySharers(*item);
}

}  // namespace

XPLMDataRef XPLMFindDataRef(const char* inDataRefName) {
    BMHOST_ENTER();
    if (!inDataRefName) return nullptr;
    auto it = S().dataByName.find(inDataRefName);
    if (it == S().dataByName.end()) return nullptr;
    return MakeHandle(HandleKind::DataRef, it->second);
}

int XPLMCanWriteDataRef(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    DataItem* item = ItemFromHandle(inDataRef, __func__);
    return item && item->writable ? 1 : 0;
}

XPLMDataTypeID XPLMGetDataRefTypes(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    DataItem* item = ItemFromHandle(inDataRef, __func__);
    return item ? item->types : xplmType_Unknown;
}

int XPLMGetDatai(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    return Read(inDataRef, xplmType_Int, &DataItem::i, __func__);
}
void XPLMSetDatai(XPLMDataRef inDataRef, int inValue) {
    BMHOST_ENTER();
    Write(inDataRef, xplmType_Int, inValue, __func__);
}
float XPLMGetDataf(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    return Read(inDataRef, xplmType_Float, &DataItem::f, __func__);
}
void XPLMSetDataf(XPLMDataRef inDataRef, float inValue) {
    BMHOST_ENTER();
    Write(inDataRef, xplmType_Float, inValue, __func__);
}
double XPLMGetDatad(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    return Read(inDataRef, xplmType_Double, &DataItem::d, __func__);
}
void XPLMSetDatad(XPLMDataRef inDataRef, double inValue) {
    BMHOST_ENTER();
    Write(inDataRef, xplmType_Double, inValue, __func__);
}

int XPLMShareData(const char* inDataName, XPLMDataTypeID inDataType,
                  XPLMDataChanged_f inNotificationFunc, void* inNotificationRefcon) {
    BMHOST_ENTER();
    if (!inDataName) return 0;
    State& s = S();
    auto it = s.dataByName.find(inDataName);
    DataItem* item;
    if (it == s.dataByName.end()) {
        DataItem fresh;
        fresh.name = inDataName;
        fresh.types = inDataType;
        fresh.writable = true;
        fresh.shared = true;
        item = &s.data[AddDataItem(std::move(fresh))];
    } else {
        item = &s.data[it->second];
        if (!item->shared || item->types != inDataType) return 0;
    }
    item->sharers.push_back({inNotificationFunc, inNotificationRefcon, s.current});
    return 1;
}

int XPLMUnshareData(const char* inDataName, XPLMDataTypeID inDataType,
                    XPLMDataChanged_f inNotificationFunc, void* inNotificationRefcon) {
    BMHOST_ENTER();
    if (!inDataName) return 0;
    auto it = S().dataByName.find(inDataName);
    if (it == S().dataByName.end()) return 0;
    DataItem& item = S().data[it->second];
    if (!item.shared || item.types != inDataType) return 0;
    for (auto sharer = item.sharers.begin(); sharer != item.sharers.end(); ++sharer) {
        if (sharer->func == inNotificationFunc && sharer->refcon == inNotificationRefcon) {
            item.sharers.erase(sharer);
            return 1;
        }
    }
    return 0;
}

namespace bmhost {

namespace {
DataItem* Named(const std::string& name) {
    auto it = S().dataByName.find(name);
    return it == S().dataByName.end() ? nullptr : &S().data[it->second];
}
}  // namespace

bool DataExists(const std::string& name) { return Named(name) != nullptr; }
int ReadInt(const std::string& name) {
    DataItem* item = Named(name);
    return item ? item->i : 0;
}
float ReadFloat(const std::string& name) {
    DataItem* item = Named(name);
    return item ? item->f : 0.0f;
}
bool WriteInt(const std::string& name, int value) {
    DataItem* item = Named(name);
    if (!item) return false;
    Store(*item, value);
    NotifySharers(*item);
    return true;
}
bool WriteFloat(const std::string& name, float value) {
    DataItem* item = Named(name);
    if (!item) return false;
    Store(*item, value);
    NotifySharers(*item);
    return true;
}
int SharerCount(const std::string& name) {
    DataItem* item = Named(name);
    return item ? int(item->sharers.size()) : 0;
}

}  // namespace bmhost
