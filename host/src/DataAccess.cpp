// Named data: the simulator's own items, items shared between plug-ins, and data refs that
// plug-ins publish through accessors.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <set>
#include <string_view>
#include <unordered_map>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "HostState.h"

using namespace bmhost::detail;

namespace {
constexpr XPLMDataTypeID kDoubleAndFloat = xplmType_Double | xplmType_Float;
}

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

namespace {
// A small documented set of the simulator's own data, which the stand-in moves. Values are those
// of an aircraft parked at a fixed spot; total_running_time_sec follows the clock.
void SeedBuiltInData() {
    struct Seed {
        const char* name;
        XPLMDataTypeID type;
        bool writable;
        double value;
    };
    static const Seed seeds[] = {
        {"sim/flightmodel/position/latitude", kDoubleAndFloat, false, 47.4647},
        {"sim/flightmodel/position/longitude", kDoubleAndFloat, false, -122.3088},
        {"sim/flightmodel/position/elevation", kDoubleAndFloat, false, 131.0},
        {"sim/flightmodel/position/local_x", kDoubleAndFloat, true, 0.0},
        {"sim/flightmodel/position/local_y", kDoubleAndFloat, true, 131.0},
        {"sim/flightmodel/position/local_z", kDoubleAndFloat, true, 0.0},
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
    auto floats = [](const char* name, std::vector<float> values, bool writable) {
        DataItem item;
        item.name = name;
        item.types = xplmType_FloatArray;
        item.writable = writable;
        item.vf = std::move(values);
        AddDataItem(std::move(item));
    };
    // The interface colours and cockpit light level the plug-in's own widgets draw with; list text
    // is dark, as the stand-in draws list views light.
    const char* colours[] = {"menu_dark_rgb", "menu_bkgnd_rgb", "menu_hilite_rgb", "menu_lite_rgb",
                             "menu_text_rgb", "menu_text_disabled_rgb", "subtitle_text_rgb", "tab_front_rgb",
                             "tab_back_rgb", "caption_text_rgb", "list_text_rgb", "glass_text_rgb"};
    const std::vector<float> rgb[] = {{0.13f, 0.16f, 0.17f}, {0.21f, 0.25f, 0.27f}, {0.25f, 0.32f, 0.35f},
                                      {0.25f, 0.32f, 0.35f}, {0.8f, 0.8f, 0.8f},    {0.4f, 0.4f, 0.4f},
                                      {0.9f, 0.9f, 0.9f},    {0.9f, 0.9f, 0.9f},    {0.6f, 0.6f, 0.6f},
                                      {0.9f, 0.9f, 0.9f},    {0.1f, 0.1f, 0.1f},    {0.6f, 0.9f, 0.6f}};
    for (int c = 0; c < 12; ++c) floats((std::string("sim/graphics/colors/") + colours[c]).c_str(), rgb[c], false);
    for (const char* channel : {"r", "g", "b"}) {
        DataItem item;
        item.name = std::string("sim/graphics/misc/cockpit_light_level_") + channel;
        item.types = xplmType_Float;
        item.f = 1.0f;
        item.d = 1.0;
        item.i = 1;
        AddDataItem(std::move(item));
    }
    floats("sim/cockpit2/engine/actuators/throttle_ratio", std::vector<float>(8, 0.0f), true);
    floats("sim/flightmodel/engine/ENGN_N1_", std::vector<float>(8, 0.0f), false);
    DataItem batteries;
    batteries.name = "sim/cockpit2/electrical/battery_on";
    batteries.types = xplmType_IntArray;
    batteries.writable = true;
    batteries.vi = std::vector<int>(8, 0);
    AddDataItem(std::move(batteries));
    DataItem tail;
    tail.name = "sim/aircraft/view/acf_tailnum";
    tail.types = xplmType_Data;
    tail.writable = true;
    tail.b = std::vector<char>(40, '\0');
    const char registration[] = "N172SP";
    std::copy(registration, registration + 6, tail.b.begin());
    AddDataItem(std::move(tail));
    SeedCommandData();
}

// The rest of the simulator's list after the built-in ones, in the list's order, and where each
// name stands among them: made once per process. The stand-in starts hundreds of times in a test
// run, so a start only sizes the items (no names, no map entries); an item's name is filled in
// when it is first asked for.
struct ListedRest {
    bool made = false;
    std::vector<const ListedDataRef*> refs;
    // Where each name stands among `refs`: made when a name that is not built in is first looked up.
    bool indexed = false;
    std::unordered_map<std::string_view, std::size_t> byName;
};
ListedRest& Rest() {
    static ListedRest rest;
    return rest;
}

const ListedRest& MadeRest() {
    ListedRest& rest = Rest();
    if (rest.made) return rest;
    rest.made = true;
    const auto& listed = ListedDataRefs();
    rest.refs.reserve(listed.size());
    std::set<std::string_view> builtIn;  // the few the stand-in moves itself
    for (const auto& [name, index] : S().dataByName) builtIn.insert(name);
    for (const ListedDataRef& ref : listed)
        if (!builtIn.count(ref.name)) rest.refs.push_back(&ref);
    return rest;
}

const ListedRest& IndexedRest() {
    ListedRest& rest = const_cast<ListedRest&>(MadeRest());
    if (rest.indexed) return rest;
    rest.indexed = true;
    rest.byName.reserve(rest.refs.size());
    for (std::size_t i = 0; i < rest.refs.size(); ++i) rest.byName.emplace(rest.refs[i]->name, i);  // the first of a name listed twice
    return rest;
}

void SeedListedData() {
    State& s = S();
    const ListedRest& rest = MadeRest();
    s.listedBase = s.data.size();
    s.data.resize(s.listedBase + rest.refs.size());
    for (std::size_t i = 0; i < rest.refs.size(); ++i) {
        DataItem& item = s.data[s.listedBase + i];
        item.types = rest.refs[i]->types;
        item.writable = rest.refs[i]->writable;
        item.length = rest.refs[i]->length;
    }
}
}  // namespace

void SeedSimulatorData() {
    State& s = S();
    s.data.clear();
    s.dataByName.clear();
    SeedBuiltInData();
    SeedListedData();
    s.dataCountTold = s.data.size();
    ReportMissingSimData();
}

bool DataIndex(const std::string& name, std::size_t* index) {
    State& s = S();
    auto it = s.dataByName.find(name);
    if (it != s.dataByName.end()) {
        *index = it->second;
        return true;
    }
    const ListedRest& rest = IndexedRest();
    auto listed = rest.byName.find(name);
    if (listed == rest.byName.end()) return false;
    *index = s.listedBase + listed->second;
    return true;
}

const std::string& DataName(std::size_t index) {
    State& s = S();
    DataItem& item = s.data[index];
    if (item.name.empty() && index >= s.listedBase && index - s.listedBase < Rest().refs.size())
        item.name = Rest().refs[index - s.listedBase]->name;
    return item.name;
}

void SimDataChanged() {
    Rest() = ListedRest();
    SimDataCommandsChanged();
    ResetCommands();
}

std::tuple<const void*, void*> SharerKey(XPLMDataChanged_f func, void* refcon) { return {FunctionKey(func), refcon}; }

void CompactSharers(DataItem& item) {
    auto& sharers = item.sharers;
    sharers.erase(std::remove_if(sharers.begin(), sharers.end(), [](const Sharer& s) { return s.removed; }),
                  sharers.end());
    item.unshared = 0;
    item.sharerIndex.Rebuild(sharers, [](const Sharer& s) { return SharerKey(s.func, s.refcon); });
}

void SweepData(XPLMPluginID owner) {
    for (DataItem& item : S().data) {
        if (item.published && item.accessor.owner == owner) {
            item.orphaned = true;
            item.accessor = Accessor{};
        }
        for (Sharer& sharer : item.sharers) sharer.removed = sharer.removed || sharer.owner == owner;
        CompactSharers(item);
    }
}

}  // namespace bmhost::detail

namespace {

// A change of a shared item is told to every sharer, the writer included.
void NotifySharers(const DataItem& item) {
    if (!item.shared) return;
    std::vector<Sharer> sharers = item.sharers;  // a callback may unshare
    for (const Sharer& sharer : sharers) {
        if (!sharer.func || sharer.removed) continue;
        CallPluginCode(sharer.owner, "a shared data callback", [&] { sharer.func(sharer.refcon); });
    }
}

// A number as an int: truncated, and held to the range of int; NaN is 0.
int ToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return int(value);
}

template <typename T>
void Store(DataItem& item, T value) {
    item.i = ToInt(double(value));
    item.f = float(value);
    item.d = double(value);
}

// Whether a call may reach this item's provider; a disabled owner answers only itself.
bool ProviderAvailable(const DataItem& item) {
    if (item.orphaned) return false;
    if (!item.published) return true;
    if (item.accessor.owner == S().current) return true;
    Plugin* owner = FindPlugin(item.accessor.owner);
    return !owner || owner->enabled;
}

// Runs a provider's callback as its owner; an exception escaping it reads as 0.
template <typename T, typename Call>
T Provide(const DataItem& item, T fallback, Call call) {
    T value = fallback;
    CallPluginCode(item.accessor.owner, "a data accessor", [&] { value = call(); });
    return value;
}

// Reads and writes of the three scalar types: a published item asks its provider.
template <typename T>
struct Scalar;
template <>
struct Scalar<int> {
    static constexpr XPLMDataTypeID type = xplmType_Int;
    static int& Field(DataItem& item) { return item.i; }
    static XPLMGetDatai_f Reader(const Accessor& a) { return a.readInt; }
    static XPLMSetDatai_f Writer(const Accessor& a) { return a.writeInt; }
};
template <>
struct Scalar<float> {
    static constexpr XPLMDataTypeID type = xplmType_Float;
    static float& Field(DataItem& item) { return item.f; }
    static XPLMGetDataf_f Reader(const Accessor& a) { return a.readFloat; }
    static XPLMSetDataf_f Writer(const Accessor& a) { return a.writeFloat; }
};
template <>
struct Scalar<double> {
    static constexpr XPLMDataTypeID type = xplmType_Double;
    static double& Field(DataItem& item) { return item.d; }
    static XPLMGetDatad_f Reader(const Accessor& a) { return a.readDouble; }
    static XPLMSetDatad_f Writer(const Accessor& a) { return a.writeDouble; }
};

template <typename T>
T ReadScalar(XPLMDataRef ref, const char* function) {
    DataItem* item = ItemFromHandle(ref, function);
    if (!item || !(item->types & Scalar<T>::type) || !ProviderAvailable(*item)) return T(0);
    if (!item->published) return Scalar<T>::Field(*item);
    auto reader = Scalar<T>::Reader(item->accessor);
    void* refcon = item->accessor.readRefcon;
    return reader ? Provide(*item, T(0), [&] { return reader(refcon); }) : T(0);
}

template <typename T>
void WriteScalar(XPLMDataRef ref, T value, const char* function) {
    DataItem* item = ItemFromHandle(ref, function);
    if (!item || !(item->types & Scalar<T>::type) || !item->writable || !ProviderAvailable(*item)) return;
    if (item->published) {
        auto writer = Scalar<T>::Writer(item->accessor);
        void* refcon = item->accessor.writeRefcon;
        if (writer) Provide(*item, 0, [&] { return writer(refcon, value), 0; });
        return;
    }
    Store(*item, value);
    NotifySharers(*item);
}

// Array reads: with no buffer the whole length; else up to `max` elements from `offset`. An
// item of the simulator's list not written yet has its length and reads 0s.
template <typename T>
int ReadElements(const std::vector<T>& values, std::size_t length, T* out, int offset, int max) {
    std::size_t size = std::max(values.size(), length);
    if (!out) return int(size);
    if (offset < 0 || max < 0 || std::size_t(offset) >= size) return 0;
    int count = std::min(max, int(size) - offset);
    for (int i = 0; i < count; ++i) {
        std::size_t at = std::size_t(offset + i);
        out[i] = at < values.size() ? values[at] : T(0);
    }
    return count;
}

template <typename T>
void WriteElements(std::vector<T>& values, std::size_t length, const T* in, int offset, int count) {
    if (values.size() < length) values.resize(length, T(0));
    if (!in || offset < 0 || count <= 0 || std::size_t(offset) >= values.size()) return;
    count = std::min(count, int(values.size()) - offset);
    std::copy(in, in + count, values.begin() + offset);
}

template <typename T, typename Reader>
int ReadArray(XPLMDataRef ref, XPLMDataTypeID type, std::vector<T> DataItem::*values, Reader Accessor::*reader,
              T* out, int offset, int max, const char* function) {
    DataItem* item = ItemFromHandle(ref, function);
    if (!item || !(item->types & type) || !ProviderAvailable(*item)) return 0;
    if (!item->published) return ReadElements(item->*values, item->length, out, offset, max);
    Reader read = item->accessor.*reader;
    void* refcon = item->accessor.readRefcon;
    return read ? Provide(*item, 0, [&] { return read(refcon, out, offset, max); }) : 0;
}

template <typename T, typename Writer>
void WriteArray(XPLMDataRef ref, XPLMDataTypeID type, std::vector<T> DataItem::*values, Writer Accessor::*writer,
                T* in, int offset, int count, const char* function) {
    DataItem* item = ItemFromHandle(ref, function);
    if (!item || !(item->types & type) || !item->writable || !ProviderAvailable(*item)) return;
    if (!item->published) {
        WriteElements(item->*values, item->length, in, offset, count);
        NotifySharers(*item);
        return;
    }
    Writer write = item->accessor.*writer;
    void* refcon = item->accessor.writeRefcon;
    if (write) Provide(*item, 0, [&] { return write(refcon, in, offset, count), 0; });
}

}  // namespace

XPLMDataRef XPLMFindDataRef(const char* inDataRefName) {
    BMHOST_ENTER();
    if (!inDataRefName) return nullptr;
    std::size_t index;
    return DataIndex(inDataRefName, &index) ? MakeHandle(HandleKind::DataRef, index) : nullptr;
}

int XPLMCanWriteDataRef(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    DataItem* item = ItemFromHandle(inDataRef, __func__);
    return item && item->writable && !item->orphaned ? 1 : 0;
}

XPLMDataTypeID XPLMGetDataRefTypes(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    DataItem* item = ItemFromHandle(inDataRef, __func__);
    return item ? item->types : xplmType_Unknown;
}

int XPLMGetDatai(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    return ReadScalar<int>(inDataRef, __func__);
}
void XPLMSetDatai(XPLMDataRef inDataRef, int inValue) {
    BMHOST_ENTER();
    WriteScalar(inDataRef, inValue, __func__);
}
float XPLMGetDataf(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    return ReadScalar<float>(inDataRef, __func__);
}
void XPLMSetDataf(XPLMDataRef inDataRef, float inValue) {
    BMHOST_ENTER();
    WriteScalar(inDataRef, inValue, __func__);
}
double XPLMGetDatad(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    return ReadScalar<double>(inDataRef, __func__);
}
void XPLMSetDatad(XPLMDataRef inDataRef, double inValue) {
    BMHOST_ENTER();
    WriteScalar(inDataRef, inValue, __func__);
}

int XPLMGetDatavi(XPLMDataRef inDataRef, int* outValues, int inOffset, int inMax) {
    BMHOST_ENTER();
    return ReadArray(inDataRef, xplmType_IntArray, &DataItem::vi, &Accessor::readIntArray, outValues, inOffset, inMax,
                     __func__);
}
void XPLMSetDatavi(XPLMDataRef inDataRef, int* inValues, int inoffset, int inCount) {
    BMHOST_ENTER();
    WriteArray(inDataRef, xplmType_IntArray, &DataItem::vi, &Accessor::writeIntArray, inValues, inoffset, inCount,
               __func__);
}
int XPLMGetDatavf(XPLMDataRef inDataRef, float* outValues, int inOffset, int inMax) {
    BMHOST_ENTER();
    return ReadArray(inDataRef, xplmType_FloatArray, &DataItem::vf, &Accessor::readFloatArray, outValues, inOffset,
                     inMax, __func__);
}
void XPLMSetDatavf(XPLMDataRef inDataRef, float* inValues, int inoffset, int inCount) {
    BMHOST_ENTER();
    WriteArray(inDataRef, xplmType_FloatArray, &DataItem::vf, &Accessor::writeFloatArray, inValues, inoffset, inCount,
               __func__);
}
int XPLMGetDatab(XPLMDataRef inDataRef, void* outValue, int inOffset, int inMaxBytes) {
    BMHOST_ENTER();
    DataItem* item = ItemFromHandle(inDataRef, __func__);
    if (!item || !(item->types & xplmType_Data) || !ProviderAvailable(*item)) return 0;
    if (!item->published) return ReadElements(item->b, item->length, static_cast<char*>(outValue), inOffset, inMaxBytes);
    XPLMGetDatab_f read = item->accessor.readData;
    void* refcon = item->accessor.readRefcon;
    return read ? Provide(*item, 0, [&] { return read(refcon, outValue, inOffset, inMaxBytes); }) : 0;
}
void XPLMSetDatab(XPLMDataRef inDataRef, void* inValue, int inOffset, int inLength) {
    BMHOST_ENTER();
    DataItem* item = ItemFromHandle(inDataRef, __func__);
    if (!item || !(item->types & xplmType_Data) || !item->writable || !ProviderAvailable(*item)) return;
    if (!item->published) {
        WriteElements(item->b, item->length, static_cast<const char*>(inValue), inOffset, inLength);
        NotifySharers(*item);
        return;
    }
    XPLMSetDatab_f write = item->accessor.writeData;
    void* refcon = item->accessor.writeRefcon;
    if (write) Provide(*item, 0, [&] { return write(refcon, inValue, inOffset, inLength), 0; });
}

XPLMDataRef XPLMRegisterDataAccessor(const char* inDataName, XPLMDataTypeID inDataType, int inIsWritable,
                                     XPLMGetDatai_f inReadInt, XPLMSetDatai_f inWriteInt, XPLMGetDataf_f inReadFloat,
                                     XPLMSetDataf_f inWriteFloat, XPLMGetDatad_f inReadDouble,
                                     XPLMSetDatad_f inWriteDouble, XPLMGetDatavi_f inReadIntArray,
                                     XPLMSetDatavi_f inWriteIntArray, XPLMGetDatavf_f inReadFloatArray,
                                     XPLMSetDatavf_f inWriteFloatArray, XPLMGetDatab_f inReadData,
                                     XPLMSetDatab_f inWriteData, void* inReadRefcon, void* inWriteRefcon) {
    BMHOST_ENTER();
    if (!inDataName) return nullptr;
    Accessor accessor{S().current,      inReadInt,      inWriteInt,     inReadFloat,    inWriteFloat,
                      inReadDouble,     inWriteDouble,  inReadIntArray, inWriteIntArray, inReadFloatArray,
                      inWriteFloatArray, inReadData,    inWriteData,    inReadRefcon,   inWriteRefcon};
    std::size_t index;
    if (!DataIndex(inDataName, &index)) {
        DataItem item;
        item.name = inDataName;
        index = AddDataItem(std::move(item));
    } else {
        DataItem& existing = S().data[index];
        if (!existing.published || !existing.orphaned) {
            HostWarning(std::string("XPLMRegisterDataAccessor: '") + inDataName + "' is already provided");
            return nullptr;
        }
    }
    DataItem& item = S().data[index];  // an orphaned name is revived under the same handle
    item.types = inDataType;
    item.writable = inIsWritable != 0;
    item.published = true;
    item.orphaned = false;
    item.owner = S().current;
    item.accessor = accessor;
    return MakeHandle(HandleKind::DataRef, index);
}

void XPLMUnregisterDataAccessor(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    DataItem* item = ItemFromHandle(inDataRef, __func__);
    if (!item || !item->published) return;
    item->orphaned = true;
    item->accessor = Accessor{};
}

int XPLMShareData(const char* inDataName, XPLMDataTypeID inDataType,
                  XPLMDataChanged_f inNotificationFunc, void* inNotificationRefcon) {
    BMHOST_ENTER();
    if (!inDataName) return 0;
    State& s = S();
    std::size_t index;
    DataItem* item;
    if (!DataIndex(inDataName, &index)) {
        DataItem fresh;
        fresh.name = inDataName;
        fresh.types = inDataType;
        fresh.writable = true;
        fresh.shared = true;
        fresh.vi.assign(8, 0);
        fresh.vf.assign(8, 0.0f);
        fresh.b.assign(256, '\0');
        item = &s.data[AddDataItem(std::move(fresh))];
    } else {
        item = &s.data[index];
        if (!item->shared || item->types != inDataType) return 0;
    }
    item->sharers.push_back({inNotificationFunc, inNotificationRefcon, s.current});
    item->sharerIndex.Add(SharerKey(inNotificationFunc, inNotificationRefcon), item->sharers.size() - 1);
    return 1;
}

int XPLMUnshareData(const char* inDataName, XPLMDataTypeID inDataType,
                    XPLMDataChanged_f inNotificationFunc, void* inNotificationRefcon) {
    BMHOST_ENTER();
    if (!inDataName) return 0;
    std::size_t index;
    if (!DataIndex(inDataName, &index)) return 0;
    DataItem& item = S().data[index];
    if (!item.shared || item.types != inDataType) return 0;
    auto key = SharerKey(inNotificationFunc, inNotificationRefcon);
    std::size_t at = item.sharerIndex.First(key);  // the first that shared it so, when there are several
    if (at == LiveIndex<int>::npos) return 0;
    item.sharers[at].removed = true;
    item.sharerIndex.Remove(key, at);
    if (++item.unshared * 2 > item.sharers.size()) CompactSharers(item);
    return 1;
}

int XPLMIsDataRefGood(XPLMDataRef inDataRef) {
    BMHOST_ENTER();
    std::size_t index = 0;  // the handle is looked up, never followed
    if (!DecodeHandle(inDataRef, HandleKind::DataRef, &index) || index >= S().data.size()) return 0;
    return S().data[index].orphaned ? 0 : 1;
}

int XPLMCountDataRefs(void) {
    BMHOST_ENTER();
    return int(S().data.size());
}

void XPLMGetDataRefsByIndex(int offset, int count, XPLMDataRef* outDataRefs) {
    BMHOST_ENTER();
    if (offset < 0 || count < 0 || !outDataRefs) {
        HostWarning("XPLMGetDataRefsByIndex: offset " + std::to_string(offset) + ", count " + std::to_string(count) +
                    (outDataRefs ? "" : ", no array"));
        return;
    }
    std::size_t size = S().data.size();
    for (int i = 0; i < count; ++i) {
        std::size_t index = std::size_t(offset) + std::size_t(i);
        outDataRefs[i] = index < size ? MakeHandle(HandleKind::DataRef, index) : nullptr;
    }
}

namespace {
// Names handed out in XPLMDataRefInfo_t stay for the whole run, whatever becomes of the item.
const char* LastingName(const std::string& name) {
    static std::set<std::string> names;
    return names.insert(name).first->c_str();
}
}  // namespace

void XPLMGetDataRefInfo(XPLMDataRef inDataRef, XPLMDataRefInfo_t* outInfo) {
    BMHOST_ENTER();
    if (!outInfo) return HostWarning("XPLMGetDataRefInfo: no info struct");
    if (!inDataRef) return HostWarning("XPLMGetDataRefInfo: not a data ref handle");
    DataItem* item = ItemFromHandle(inDataRef, __func__);
    if (!item) return;
    int size = outInfo->structSize;
    if (size < int(offsetof(XPLMDataRefInfo_t, name) + sizeof outInfo->name))
        return HostWarning("XPLMGetDataRefInfo: structSize " + std::to_string(size) + " is too small");
    auto fits = [size](std::size_t offset, std::size_t field) { return std::size_t(size) >= offset + field; };
    outInfo->name = LastingName(DataName(std::size_t(item - S().data.data())));
    if (fits(offsetof(XPLMDataRefInfo_t, type), sizeof outInfo->type)) outInfo->type = item->types;
    if (fits(offsetof(XPLMDataRefInfo_t, writable), sizeof outInfo->writable))
        outInfo->writable = item->writable && !item->orphaned ? 1 : 0;
    if (fits(offsetof(XPLMDataRefInfo_t, owner), sizeof outInfo->owner)) outInfo->owner = item->owner;
}

namespace bmhost {

namespace {
DataItem* Named(const std::string& name) {
    std::size_t index;
    return DataIndex(name, &index) ? &S().data[index] : nullptr;
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
    return item ? int(item->sharers.size() - item->unshared) : 0;
}
int SharerTotal() {
    int n = 0;
    for (const DataItem& item : S().data) n += int(item.sharers.size() - item.unshared);
    return n;
}
int PublishedDataCount() {
    int n = 0;
    for (const DataItem& item : S().data) n += item.published && !item.orphaned ? 1 : 0;
    return n;
}

}  // namespace bmhost

namespace bmhost {

namespace {
bool ParseNumbers(const std::string& text, std::vector<double>* out) {
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, ',');) {
        char* end = nullptr;
        double value = std::strtod(part.c_str(), &end);
        if (part.empty() || *end) return false;
        out->push_back(value);
    }
    return !out->empty();
}
}  // namespace

bool SetDataFromText(const std::string& name, const std::string& value) {
    std::size_t index;
    if (!DataIndex(name, &index)) return false;
    XPLMDataRef ref = MakeHandle(HandleKind::DataRef, index);
    DataItem& item = S().data[index];
    std::vector<double> numbers;
    bool numeric = ParseNumbers(value, &numbers);
    if (item.types & xplmType_Data) {
        std::vector<char> bytes(value.begin(), value.end());
        bytes.push_back('\0');
        if (item.published) {
            XPLMSetDatab(ref, bytes.data(), 0, int(bytes.size()));
        } else {
            item.b.resize(std::max({item.b.size(), item.length, bytes.size()}), '\0');
            std::copy(bytes.begin(), bytes.end(), item.b.begin());
            NotifySharers(item);
        }
        return true;
    }
    if (!numeric) return false;
    if (item.types & (xplmType_IntArray | xplmType_FloatArray)) {
        std::vector<int> ints(numbers.size());
        std::transform(numbers.begin(), numbers.end(), ints.begin(), ToInt);
        std::vector<float> floats(numbers.begin(), numbers.end());
        if (item.published) {
            if (item.types & xplmType_IntArray) XPLMSetDatavi(ref, ints.data(), 0, int(ints.size()));
            if (item.types & xplmType_FloatArray) XPLMSetDatavf(ref, floats.data(), 0, int(floats.size()));
        } else {
            item.vi.resize(std::max({item.vi.size(), item.length, ints.size()}));
            item.vf.resize(std::max({item.vf.size(), item.length, floats.size()}));
            std::copy(ints.begin(), ints.end(), item.vi.begin());
            std::copy(floats.begin(), floats.end(), item.vf.begin());
            NotifySharers(item);
        }
        return true;
    }
    if (numbers.size() != 1) return false;
    if (item.published) {
        if (item.types & xplmType_Int) XPLMSetDatai(ref, ToInt(numbers[0]));
        if (item.types & xplmType_Float) XPLMSetDataf(ref, float(numbers[0]));
        if (item.types & xplmType_Double) XPLMSetDatad(ref, numbers[0]);
    } else {
        Store(item, numbers[0]);
        NotifySharers(item);
    }
    return true;
}

}  // namespace bmhost
