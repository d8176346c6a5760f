// Every Chinese/English text pair the program shows, in one place.
#pragma once

namespace tolvane {

struct TextPair {
  const char* zh;
  const char* en;
};

namespace txt {
// Captions
inline constexpr TextPair kCaption{"提示", "Remind"};
inline constexpr const char* kErrorCaptionZh = "错误";

// Serial port opening
inline constexpr TextPair kPortMissing{"指定的通讯口不存在", "Specified communication port does not exist!"};
inline constexpr TextPair kPortOccupied{"指定的通讯口已被其它任务占用!",
                                        "Specified communication port has been occupied by other tasks!"};
inline constexpr TextPair kPortInitFailed{
    "初始化通讯口失败！请检查硬件以及通讯参数的设置。",
    "Failed to initialize the communication port! Please check the hardware as well as the setting of "
    "communication parameters."};

// Transaction results
inline constexpr TextPair kTimeout{"通讯超时！请检查！", "Communication timeout! Please Check!"};
inline constexpr TextPair kSendError{" 数据发送错误！", " Data transmission errors!"};
inline constexpr TextPair kReceiveError{" 数据接收错误！", " Data receiving errors!"};
inline constexpr TextPair kCheckError{"校验失败！", "Check error!"};
inline constexpr TextPair kCommError{"通讯错误！", "Communication Error!"};

// Module identification
inline constexpr TextPair kModelKx130{"模块型号为KX-130.", "The module model is KX-130."};
inline constexpr TextPair kModelUnknown{"模块型号未识别.", "Module model not recognized."};

// Parameter block and device commands
inline constexpr TextPair kPleaseConnect{"请连接设备！", "Please connect the device!"};
inline constexpr TextPair kCommErrorCheck{"通讯错误,请检查！", "Communication error, please check!"};
inline constexpr TextPair kUploadOk{"参数上载成功！", "Parameter upload successful!"};
inline constexpr TextPair kDownloadOk{"参数下载成功！", "Parameter download successful!"};
inline constexpr TextPair kShutdownEmpty{"停机参数不能为空,请检查！",
                                         "The shutdown parameter cannot be empty, please check!"};
inline constexpr TextPair kStopAddrRange{"停机寄存器地址输入值超限，请输入0～10000的数据！",
                                         "The Value is out of range,Data Range is :0～10000!"};
inline constexpr TextPair kStopCodeRange{"停机操作码输入值超限，请输入1～15的数据！",
                                         "The Value  is out of range,Data Range is :1～15!"};
inline constexpr TextPair kCommParamsSent{
    "通讯参数修改指令已发送,请重新连接设备！",
    "The command to modify communication parameters has been sent. Please reconnect the device!"};
inline constexpr TextPair kNetworkEmpty{"网络配置不能为空,请检查！",
                                        "Network configuration cannot be empty, please check!"};
inline constexpr TextPair kRestoreConfirm{"将执行恢复出厂操作,是否继续？",
                                          "Will the factory restore operation be performed? Do you want to continue?"};
inline constexpr TextPair kRestoreSent{
    "恢复出厂指令已发送,请断电重启后重新连接设备！",
    "The factory reset command has been sent. Please power off and restart the device before reconnecting!"};

// Communication settings dialog
inline constexpr TextPair kNoSerialPort{"本机没有串口！", "No serial port!"};
inline constexpr TextPair kComDlgTitle{"通信设置", "Communication Setting"};
inline constexpr TextPair kStationLabel{"下位机站号：", "Device Address:"};
inline constexpr TextPair kComGroup{"COM参数", "COM parameter"};
inline constexpr TextPair kPortLabel{"COM口：", "COM port:"};
inline constexpr TextPair kBaudLabel{"波特率：", "Baud rate:"};
inline constexpr TextPair kStopLabel{"停止位：", "Stop bit:"};
inline constexpr TextPair kDataLabel{"数据位：", "Data bit:"};
inline constexpr TextPair kParityLabel{"奇偶校验：", "Odd-Even:"};
inline constexpr TextPair kModeLabel{"传输模式：", "Trans. mode:"};
inline constexpr TextPair kCheckGroup{"设备检测", "Device Check"};
inline constexpr TextPair kAutoLink{"自动检测", "Auto Link"};
inline constexpr TextPair kStop{"停止", "Stop"};
inline constexpr TextPair kLink{"连接", "Link"};
inline constexpr TextPair kOk{"确定", "OK"};
inline constexpr TextPair kCancel{"取消", "Cancel"};
inline constexpr TextPair kParityNone{"无校验", "No parity"};
inline constexpr TextPair kParityOdd{"奇校验", "Odd-check"};
inline constexpr TextPair kParityEven{"偶校验", "Even-check"};

// Link and Auto Link
inline constexpr TextPair kSerialOpFailed{"通讯口操作失败！", "Serial port operation failed!"};
inline constexpr TextPair kLinkCannotOpen{"指定的通讯口不能打开，连接失败！",
                                          "Connect failed, cannot open appointed serial port!"};
inline constexpr TextPair kConnecting{"正在连接......", "Connecting......"};
inline constexpr TextPair kPortOpFailed{"操作串口失败！", "Operation of serial port failed!"};
inline constexpr TextPair kConnectFailed{"未连接成功,请重新设置！", "Failed to connect, please reset!"};
inline constexpr TextPair kConnectOk{"连接成功！", "Connection successful!"};
inline constexpr TextPair kDetectCannotOpen{
    "指定的通讯口尚未打开，通讯失败！", "The specified communication port has not been opened, communication failed!"};
inline constexpr TextPair kDetectPortFailed{"通讯口操作失败，停止检测！",
                                            "Communication port operation failed, stop detection!"};
inline constexpr TextPair kDetecting{"正在检测......", "Detecting......"};
inline constexpr TextPair kDetectNothing{"没有检测到合适的参数!", "No suitable parameters detected!"};
inline constexpr TextPair kDetectFound{"检测成功,参数已配置！请点击连接!",
                                       "Detection successful, parameters configured! Please click on the connection!"};
inline constexpr TextPair kDetectStopped{"用户停止检测！", "User stopped detection!"};
inline constexpr TextPair kSearchPortFailed{"操作串口失败，停止检测！",
                                            "Operation of serial port failed, stop detection!"};

// Main window
inline constexpr const char* kWindowTitle = "Tolvane";
inline constexpr TextPair kGroupInfo{"模块基本信息", "Basic Module Information"};
inline constexpr TextPair kGroupComm{"通讯参数设置", "Communication Parameter Setting"};
inline constexpr TextPair kGroupShutdown{"默认停机参数", "Default shutdown parameters"};
inline constexpr TextPair kGroupNetwork{"网络配置", "Network setting"};
inline constexpr TextPair kLblModuleType{"模块类型", "Module type"};
inline constexpr TextPair kLblSwVersion{"软件主版本号", "Software major version"};
inline constexpr TextPair kLblContractVersion{"合同评审软件版本号", "Contract software version"};
inline constexpr TextPair kLblHwVersion{"硬件版本号", "Hardware version"};
inline constexpr TextPair kLblStation{"站号", "Station No"};
inline constexpr TextPair kLblCommMode{"通讯模式", "Communication mode"};
inline constexpr TextPair kLblBaud{"波特率", "Baud rate"};
inline constexpr TextPair kLblStopAddr{"停机寄存器地址", "Stop register address"};
inline constexpr TextPair kLblStopCode{"停机操作码", "Stop operation code"};
inline constexpr TextPair kLblIp{"IP地址", "IP address"};
inline constexpr TextPair kLblGateway{"网关", "Gateway"};
inline constexpr TextPair kLblMask{"子网掩码", "Subnet mask"};
inline constexpr TextPair kLblMac{"MAC地址", "Mac address"};
inline constexpr TextPair kHintStation{"设置范围：（1～247）", "Set range：（1～247）"};
inline constexpr TextPair kHintStopAddr{"设置范围：（0～10000）", "Set range：（0～10000）"};
inline constexpr TextPair kHintStopCode{"设置范围：（1～15）", "Set range：（1～15）"};
inline constexpr TextPair kStationRange{"站号输入值超限，请输入1～247的数据！",
                                        "The Value of Station number is out of range,Data Range is :1～247!"};
inline constexpr const char* kSystemMenuAbout = "关于 Tolvane(&A)...";

// Menus
inline constexpr TextPair kMenuComm{"通讯(&C)", "Communication(&C)"};
inline constexpr TextPair kMenuConnection{"通讯连接", "Connection"};
inline constexpr TextPair kMenuRestore{"恢复出厂", "Restore Factory"};
inline constexpr TextPair kMenuSetting{"设置(&S)", "Setting(&S)"};
inline constexpr TextPair kMenuLanguage{"语言设置", "Language Setting"};
inline constexpr TextPair kMenuHelp{"帮助(&H)", "Help(&H)"};
inline constexpr TextPair kMenuUsingHelp{"帮助(&H)", "Using Help"};
inline constexpr TextPair kMenuAbout{"关于(&A)...", "About"};

// Language dialog
inline constexpr TextPair kLangTitle{"语言设置", "Language setting"};

// About dialog
inline constexpr TextPair kAboutTitle{"关于", "About"};
inline constexpr TextPair kAboutLegal1{"版权所有 (C) 2026 Tolvane 开发组。保留所有权利。",
                                       "Copyright (C) 2026 the Tolvane developers. All rights reserved."};
inline constexpr TextPair kAboutLegal2{"本软件按“原样”提供，不附带任何明示或暗示的担保。",
                                       "This software is provided \"as is\", without warranty of any kind."};
inline constexpr TextPair kAboutCompany{"托尔瓦内工业通讯工作室", "Tolvane Industrial Communication Workshop"};

// Ports a user recognises, and the permission to open them
inline constexpr TextPair kPortBuiltIn{"内置串口", "built-in serial port"};
inline constexpr TextPair kPortUsbAdapter{"USB 串口适配器", "USB serial adapter"};
// "%s" is the port's device path.
inline constexpr TextPair kPortPermissionDenied{
    "没有权限打开 %s。请把当前用户加入 'dialout' 组（sudo usermod -aG dialout $USER），然后注销并重新登录。",
    "Permission denied on %s. Add your user to the 'dialout' group (sudo usermod -aG dialout $USER), then log out "
    "and in again."};
// The About box's first line; the version follows.
inline constexpr const char* kAboutVersionLead = "Tolvane  Version: ";
}  // namespace txt

}  // namespace tolvane
