// Reading the parameter block into the main window and the commands that write it.
#pragma once
#include "core/link_result.h"
#include "device/parameter_block.h"
#include "models/main_model.h"

namespace tolvane {

// Every device command needs a connected module; without one the user is told
// ("Please connect the device!") and false comes back.
bool RequireConnection(MainModel& model);

void UploadParameters(MainModel& model);
// The silent read after a Link: the block into the window, no message; the
// read's result, the window left as it was when it failed.
LinkResult ReadAfterConnect(MainModel& model);
void WriteShutdownParameters(MainModel& model);
void ModifyCommParameters(MainModel& model);
void DownloadNetworkConfiguration(MainModel& model);
void RestoreFactory(MainModel& model);

}  // namespace tolvane
