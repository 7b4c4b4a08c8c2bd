#ifndef XPLMUtilities_h
#define XPLMUtilities_h
/* Paths, folder listings, the simulator log and other utilities. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int XPLMHostApplicationID;
enum {
    xplm_Host_Unknown = 0,
    xplm_Host_XPlane = 1,
    xplm_Host_PlaneMaker = 2,
    xplm_Host_WorldMaker = 3,
    xplm_Host_Briefer = 4,
    xplm_Host_PartMaker = 5,
    xplm_Host_YoungsMod = 6,
    xplm_Host_XAuto = 7
};

typedef int XPLMLanguageCode;
enum {
    xplm_Language_Unknown = 0,
    xplm_Language_English = 1,
    xplm_Language_French = 2,
    xplm_Language_German = 3,
    xplm_Language_Italian = 4,
    xplm_Language_Spanish = 5,
    xplm_Language_Korean = 6,
    xplm_Language_Russian = 7,
    xplm_Language_Greek = 8,
    xplm_Language_Japanese = 9
};

XPLM_API void XPLMGetSystemPath(char * outSystemPath);
XPLM_API void XPLMGetPrefsPath(char * outPrefsPath);
XPLM_API const char * XPLMGetDirectorySeparator(void);
XPLM_API char * XPLMExtractFileAndPath(char * inFullPath);
XPLM_API int XPLMGetDirectoryContents(const char * inDirectoryPath, int inFirstReturn,
                                      char * outFileNames, int inFileNameBufSize,
                                      char ** outIndices, int inIndexCount,
                                      int * outTotalFiles, int * outReturnedFiles);
XPLM_API int XPLMInitialized(void);
XPLM_API void XPLMGetVersions(int * outXPlaneVersion, int * outXPLMVersion,
                              XPLMHostApplicationID * outHostID);
XPLM_API XPLMLanguageCode XPLMGetLanguage(void);
XPLM_API void XPLMDebugString(const char * inString);

#ifdef __cplusplus
}
#endif
#endif
