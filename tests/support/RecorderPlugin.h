#ifndef BM_RECORDERPLUGIN_H
#define BM_RECORDERPLUGIN_H
// The messages the recorder plug-in (RecorderPlugin.cpp) carries out, for it and for the tests
// that send them.

namespace bmrecorder {

constexpr int kText = 0x00F00001;
constexpr int kAcquirePlanes = 0x00F00002;
constexpr int kReleasePlanes = 0x00F00003;
constexpr int kCameraForever = 0x00F00004;
constexpr int kCameraRelease = 0x00F00005;
constexpr int kCameraUntilViewChanges = 0x00F00006;

}  // namespace bmrecorder

#endif
