#include <gtest/gtest.h>

#include "ScriptPaths.h"

TEST(ScriptPaths, ColonHostsGetTheClassicFormsAndTheVolumesPath) {
    ScriptPaths paths = DeriveScriptPaths("Disk:Sim:", ":");
    EXPECT_EQ(paths.scriptFolder, "Disk:Sim:Resources:Plugins:PythonScripts:");
    EXPECT_EQ(paths.listingPath, "Disk:Sim:Resources:Plugins:PythonScripts:");
    EXPECT_EQ(paths.interpreterPath, "/Volumes/Disk/Sim/Resources/Plugins/PythonScripts");

    std::string logPath = ScriptFilePath("Disk:Sim:", ":", "BrindlemoorLog.txt");
    EXPECT_EQ(logPath, "Disk:Sim:Resources:plugins:PythonScripts:BrindlemoorLog.txt");
    std::string converted;
    ASSERT_EQ(ConvertPath(logPath, ":", &converted), 0);
    EXPECT_EQ(converted, "/Volumes/Disk/Sim/Resources/plugins/PythonScripts/BrindlemoorLog.txt");
    EXPECT_EQ(ConvertPath(":relative:file", ":", &converted), -1);
}

TEST(ScriptPaths, PosixHostsUseThePluginsFolderAsItIsSpelled) {
    ScriptPaths paths = DeriveScriptPaths("/opt/X-Plane 9/", "/");
    EXPECT_EQ(paths.scriptFolder, "/opt/X-Plane 9/Resources/plugins/PythonScripts/");
    EXPECT_EQ(paths.listingPath, "/opt/X-Plane 9/Resources/plugins/PythonScripts");
    EXPECT_EQ(paths.interpreterPath, "/opt/X-Plane 9/Resources/plugins/PythonScripts");

    std::string logPath = ScriptFilePath("/opt/X-Plane 9/", "/", "BrindlemoorOutput.txt");
    EXPECT_EQ(logPath, "/opt/X-Plane 9/Resources/plugins/PythonScripts/BrindlemoorOutput.txt");
    std::string converted;
    ASSERT_EQ(ConvertPath(logPath, "/", &converted), 0);
    EXPECT_EQ(converted, logPath);
}

TEST(ScriptPaths, WindowsHostsKeepTheirSeparator) {
    ScriptPaths paths = DeriveScriptPaths("C:\\X-Plane\\", "\\");
    EXPECT_EQ(paths.scriptFolder, "C:\\X-Plane\\Resources\\plugins\\PythonScripts\\");
    EXPECT_EQ(paths.interpreterPath, "C:\\X-Plane\\Resources\\plugins\\PythonScripts");
}
