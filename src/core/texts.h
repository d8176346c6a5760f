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
inline constexpr TextPair kBaudCodeRange{"波特率代码输入值超限，请输入0～7的数据！",
                                         "The Value of baud rate code is out of range,Data Range is :0～7!"};
inline constexpr TextPair kAddressForm{"地址须为以点分隔的四个 0～255 的数。",
                                       "An address must be four numbers 0..255 separated by dots."};
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
inline constexpr TextPair kAboutLegal1{"版权所有 (C) 2026 Tolvane 开发组。依据 MIT 许可证发布。",
                                       "Copyright (C) 2026 the Tolvane developers. Released under the MIT License."};
inline constexpr TextPair kAboutLegal2{"本软件按“原样”提供，不附带任何明示或暗示的担保。",
                                       "This software is provided \"as is\", without warranty of any kind."};
inline constexpr TextPair kAboutCompany{"托尔瓦内工业通讯工作室", "Tolvane Industrial Communication Workshop"};
// tolvanectl, the command-line companion. "{}" marks where a value goes, in order.
// The usage's two are the system's port names: the forms a port is given in, and one for the example.
inline constexpr TextPair kCtlUsage{
    "用法：tolvanectl [连接选项] 命令 [命令选项]\n"
    "\n"
    "通过串口调试 KX-130 耦合器，所用的通讯过程、检查和提示信息与 Tolvane 窗口相同。\n"
    "未给出的连接选项取自 Tolvane 保存的通信设置，若没有则取其默认值。\n"
    "\n"
    "连接选项：\n"
    "  -p, --port 名称        串口名称或路径（{}）\n"
    "  -s, --station N        站号 1～247\n"
    "  -b, --baud N           1200 2400 4800 9600 19200 38400 57600 115200\n"
    "      --framing rtu|ascii  传输模式\n"
    "      --data 7|8         数据位\n"
    "      --parity none|odd|even  奇偶校验\n"
    "      --stop 1|2         停止位\n"
    "      --lang en|zh       提示语言（默认取 Tolvane 的 config.ini，否则为 en）\n"
    "      --json             在标准输出上给出机器可读的结果（一个 JSON 对象）\n"
    "  -q, --quiet            不在标准错误上显示进度\n"
    "      --settle           每次应答都等满窗口的稳定时间（默认在应答完整且校验无误时即结束）\n"
    "  -h, --help             显示本说明\n"
    "      --version          显示版本\n"
    "\n"
    "命令：\n"
    "  ports                  列出串口：名称和说明\n"
    "  probe                  以给定设置识别模块\n"
    "  scan [--save]          在给定串口和站号上，按自动检测的顺序尝试 8 种波特率 x 6 种帧格式；\n"
    "                         --save 把找到的设置保存为 Tolvane 的通信设置\n"
    "  scan --stations 起-止 [--all] [--save]\n"
    "                         在站号范围（或单个站号）内查找模块：给出的 -b、--framing、--data、\n"
    "                         --parity、--stop 限定所试的通讯参数，其余取自动检测的全部值；\n"
    "                         找到第一个 KX-130 即停止，--all 查找到范围末尾并逐个报告\n"
    "  read                   读取并解析 26 个寄存器的参数块\n"
    "  set-network --ip A.B.C.D --mask A.B.C.D --gateway A.B.C.D\n"
    "                         写入 IP 地址、子网掩码和网关\n"
    "  set-shutdown --address N --code N\n"
    "                         写入停机寄存器地址 0～10000 和停机操作码 1～15\n"
    "  set-comm --new-station N [--mode 代码] --new-baud N\n"
    "                         写入站号 1～247 和波特率；通讯模式先从模块读出，原样写回（不更改）；\n"
    "                         给出 --mode 时须与模块的代码相同：0 RTU,8,N,2  1 RTU,8,O,1\n"
    "                         2 RTU,8,E,1  3 ASCII,7,N,2  4 ASCII,7,O,1  5 ASCII,7,E,1；\n"
    "                         模块拒绝写入时报告通讯错误；否则模块随即切换，之后请以新设置重新连接\n"
    "  restore-factory --yes  写入出厂设置（没有 --yes 时拒绝执行）\n"
    "  save 文件              读取模块，按窗口“保存参数”的格式写入参数文件（原子替换；\n"
    "                         不是普通文件则拒绝）\n"
    "  apply 文件 [--new-station N] [--new-baud N] [--ip A.B.C.D] [--mask A.B.C.D]\n"
    "        [--gateway A.B.C.D] [--dry-run]\n"
    "                         把参数文件中的可写数值写入模块：停机参数、网络配置，最后是通讯参数；\n"
    "                         选项替换文件中的对应值；通讯模式取模块自己的；文件和选项在发送前\n"
    "                         全部检查；--dry-run 只识别并读取模块，列出将写入的寄存器和数值\n"
    "\n"
    "除 ports 外，每个命令先识别模块（与“连接”相同），再执行。所有数值在发送前检查。\n"
    "\n"
    "每个选项只能给出一次。不带 --stations 的 scan 自行尝试所有波特率和帧格式，不接受 -b、\n"
    "--framing、--data、--parity 和 --stop。\n"
    "\n"
    "退出状态：0 成功；1 无应答或未找到；2 用法错误、重复的选项、数值超限或参数文件被拒绝\n"
    "（未写入任何数据）；3 串口无法打开；4 其它通讯故障，或模块拒绝了写入；5 丢失的只是\n"
    "命令的产物：标准输出未能写出（命令已执行，模块可能已改变），或 save 的文件未能写出\n"
    "（模块未改变）。Ctrl-C 在当前一步结束、串口关闭后结束程序（退出状态 130）。\n"
    "\n"
    "示例：\n"
    "  tolvanectl -p {} -s 7 scan --save\n"
    "  tolvanectl set-network --ip 192.168.1.20 --mask 255.255.255.0 --gateway 192.168.1.1\n"
    "  tolvanectl save template.ini\n"
    "  tolvanectl -s 1 apply template.ini --new-station 8 --ip 192.168.1.28\n",
    "Usage: tolvanectl [connection options] COMMAND [command options]\n"
    "\n"
    "Commissions KX-130 couplers over a serial line, with the same transactions,\n"
    "checks and messages as the Tolvane window. A connection option that is not\n"
    "given comes from the settings Tolvane stored, failing that from its defaults.\n"
    "\n"
    "Connection options:\n"
    "  -p, --port NAME        port name or path ({})\n"
    "  -s, --station N        station number 1..247\n"
    "  -b, --baud N           1200 2400 4800 9600 19200 38400 57600 115200\n"
    "      --framing rtu|ascii  transfer mode\n"
    "      --data 7|8         data bits\n"
    "      --parity none|odd|even\n"
    "      --stop 1|2         stop bits\n"
    "      --lang en|zh       language of messages (default: Tolvane's config.ini, else en)\n"
    "      --json             machine-readable output on stdout (one JSON object)\n"
    "  -q, --quiet            no progress on stderr\n"
    "      --settle           sleep the window's full settle time on every reply (by\n"
    "                         default a reply is taken once complete and checked)\n"
    "  -h, --help             this text\n"
    "      --version          the version\n"
    "\n"
    "Commands:\n"
    "  ports                  list serial ports: name and description\n"
    "  probe                  identify the module at the given settings\n"
    "  scan [--save]          search 8 baud rates x 6 frame formats in Auto Link's order\n"
    "                         at the given port and station; --save stores the settings\n"
    "                         found as Tolvane's connection settings\n"
    "  scan --stations FROM-TO [--all] [--save]\n"
    "                         search a station range (or one station): -b, --framing,\n"
    "                         --data, --parity and --stop given restrict the line settings\n"
    "                         tried, the others take all of Auto Link's values; stops at\n"
    "                         the first KX-130, --all goes on to the end and reports each\n"
    "  read                   read and decode the 26-register parameter block\n"
    "  set-network --ip A.B.C.D --mask A.B.C.D --gateway A.B.C.D\n"
    "                         write the IP address, subnet mask and gateway\n"
    "  set-shutdown --address N --code N\n"
    "                         write the stop register address 0..10000 and the stop\n"
    "                         operation code 1..15\n"
    "  set-comm --new-station N [--mode CODE] --new-baud N\n"
    "                         write station 1..247 and baud rate; the communication mode\n"
    "                         is read from the module and written back unchanged, and\n"
    "                         --mode, if given, must be the module's code: 0 RTU,8,N,2\n"
    "                         1 RTU,8,O,1  2 RTU,8,E,1  3 ASCII,7,N,2  4 ASCII,7,O,1\n"
    "                         5 ASCII,7,E,1; a module that refuses the write is a\n"
    "                         communication error, otherwise it switches: connect again\n"
    "                         with the new settings\n"
    "  restore-factory --yes  write the factory settings (refused without --yes)\n"
    "  save FILE              read the module and write the window's parameter file\n"
    "                         (Save Parameters); replaced atomically, refused when FILE\n"
    "                         is not a regular file\n"
    "  apply FILE [--new-station N] [--new-baud N] [--ip A.B.C.D] [--mask A.B.C.D]\n"
    "        [--gateway A.B.C.D] [--dry-run]\n"
    "                         write the file's writable values: shutdown, network, then\n"
    "                         the communication parameters; the options replace the\n"
    "                         file's values, the mode is the module's own; file and\n"
    "                         options are checked before anything is sent; --dry-run\n"
    "                         identifies and reads the module and lists the registers\n"
    "                         and values it would write\n"
    "\n"
    "Every command but ports first identifies the module (as Link does), then works.\n"
    "Every value is checked before anything is sent.\n"
    "\n"
    "Each option may be given once. scan without --stations tries every baud rate and\n"
    "frame format itself and refuses -b, --framing, --data, --parity and --stop.\n"
    "\n"
    "Exit status: 0 success; 1 no answer or nothing found; 2 bad usage, a repeated\n"
    "option, a value out of range or a refused parameter file (nothing written); 3 the\n"
    "port cannot be opened; 4 any other communication failure, or the module refused a\n"
    "write; 5 only what the command produced was lost: its standard output (the\n"
    "command ran, the module may have changed) or save's file (the module is\n"
    "unchanged). Ctrl-C ends the program once the current step is over and the port\n"
    "is closed (exit status 130).\n"
    "\n"
    "Examples:\n"
    "  tolvanectl -p {} -s 7 scan --save\n"
    "  tolvanectl set-network --ip 192.168.1.20 --mask 255.255.255.0 --gateway 192.168.1.1\n"
    "  tolvanectl save template.ini\n"
    "  tolvanectl -s 1 apply template.ini --new-station 8 --ip 192.168.1.28\n"};
inline constexpr TextPair kCtlTryHelp{"运行 tolvanectl --help 查看用法。",
                                      "Try tolvanectl --help for more information."};
inline constexpr TextPair kCtlNoCommand{"缺少命令。", "No command given."};
inline constexpr TextPair kCtlUnknownCommand{"未知的命令。", "Unknown command."};
inline constexpr TextPair kCtlUnknownOption{"未知的选项。", "Unknown option."};
inline constexpr TextPair kCtlExtraArgument{"多余的参数。", "Unexpected argument."};
inline constexpr TextPair kCtlMissingValue{"该选项需要一个值。", "The option needs a value."};
inline constexpr TextPair kCtlNotForCommand{"该选项不属于此命令。", "The option does not belong to this command."};
inline constexpr TextPair kCtlNotANumber{"不是整数。", "Not a whole number."};
inline constexpr TextPair kCtlBaudValues{
    "波特率须为 1200、2400、4800、9600、19200、38400、57600 或 115200。",
    "The baud rate must be 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200."};
inline constexpr TextPair kCtlFramingValues{"传输模式须为 rtu 或 ascii。", "The framing must be rtu or ascii."};
inline constexpr TextPair kCtlDataValues{"数据位须为 7 或 8。", "The data bits must be 7 or 8."};
inline constexpr TextPair kCtlParityValues{"奇偶校验须为 none、odd 或 even。", "The parity must be none, odd or even."};
inline constexpr TextPair kCtlStopValues{"停止位须为 1 或 2。", "The stop bits must be 1 or 2."};
inline constexpr TextPair kCtlLangValues{"语言须为 en 或 zh。", "The language must be en or zh."};
inline constexpr TextPair kCtlModeRange{"通讯模式输入值超限，请输入0～5的数据！",
                                        "The Value of communication mode is out of range,Data Range is :0～5!"};
inline constexpr const TextPair& kCtlAddressForm = kAddressForm;
inline constexpr TextPair kCtlNeedsYes{
    "恢复出厂会覆盖模块的通讯、停机和网络参数；确认执行请加 --yes。",
    "Restoring the factory settings overwrites the module's communication, shutdown and network settings; add "
    "--yes to go ahead."};
inline constexpr TextPair kCtlModuleAt{"{}，串口 {}，站号 {}，{} 波特，{}", "{} at {}, station {}, {} baud, {}"};
inline constexpr TextPair kCtlUnknownModel{"未识别的模块（类型码 {}）", "unrecognised module (type code {})"};
inline constexpr TextPair kCtlScanProgress{"探测 {}/48：{} 波特，{}", "probe {}/48: {} baud, {}"};
inline constexpr TextPair kCtlFoundOnProbe{"第 {} 次探测找到。", "Found on probe {} of 48."};
inline constexpr TextPair kCtlSaved{"设置已保存到 {}", "Settings saved to {}"};
inline constexpr TextPair kCtlNotSaved{"设置未能保存到 {}", "The settings could not be saved to {}"};
inline constexpr TextPair kCtlPortListed{"由 TOLVANE_PORTS 列出", "listed in TOLVANE_PORTS"};
inline constexpr TextPair kCtlRepeatedOption{"该选项只能给出一次。", "The option may be given only once."};
inline constexpr TextPair kCtlShortWithEquals{"短选项的值紧跟其后或以空格隔开，不用“=”。",
                                              "A short option's value follows it directly or after a blank, never "
                                              "after \"=\"."};
inline constexpr TextPair kCtlScanTriesAll{"scan 自行尝试所有波特率和帧格式，不接受此选项。",
                                           "scan tries every baud rate and frame format itself; the option does "
                                           "not apply."};
inline constexpr TextPair kCtlOutputLost{"命令已执行，模块可能已改变，但其输出未能写出。",
                                         "The command ran, and the module may have changed, but its output was "
                                         "lost."};
inline constexpr TextPair kCtlOutputLostNoChange{"命令已执行（未改变模块），但其输出未能写出。",
                                                 "The command ran without changing the module, but its output was "
                                                 "lost."};
inline constexpr TextPair kCtlModeFixed{"模块的通讯模式为 {}；通讯模式不会被更改。",
                                        "The module's communication mode is {}; the mode is never changed."};
inline constexpr TextPair kCtlNeedsFile{"该命令需要一个文件名。", "The command needs a file name."};
inline constexpr TextPair kCtlNeedsOption{"该命令需要此选项。", "The command needs this option."};
// A register range and its values: first and last register, what they hold, the values.
// The parameter-file refusals end by saying the window kept its values; from the
// command line the same refusal means nothing went to the module.
inline constexpr TextPair kParamWindowKept{"窗口未作任何更改。", "Nothing in the window was changed."};
inline constexpr TextPair kCtlNothingSent{"未向模块发送任何数据。", "Nothing was sent to the module."};
inline constexpr TextPair kCtlWriteLine{"寄存器 {}～{}（{}）：{}", "registers {}-{} ({}): {}"};
inline constexpr TextPair kCtlDryRun{"试运行：未写入任何数据。", "Dry run: nothing was written."};
inline constexpr TextPair kCtlStopped{"已中断：命令未完成；此后未向模块发送任何数据，也未写入任何文件。",
                                      "Interrupted: the command did not finish; nothing more was sent to the module "
                                      "and no file was written."};
inline constexpr TextPair kCtlApplyStopped{"已中断：其余写入未发送，已写入的保留在模块中。",
                                           "Interrupted: the remaining writes were not sent; those already "
                                           "written stay in the module."};
inline constexpr TextPair kCtlModeUnknown{"模块报告了未知的通讯模式代码 {}，未写入任何数据。",
                                          "The module reports the unknown communication mode code {}; nothing was "
                                          "written."};
// Codes the module reports outside its own tables, and a write it did not confirm.
// {register}: the register's number, {name}: the window's label for it, {code}: the whole word.
inline constexpr TextPair kCodeOutsideTable{
    "模块的寄存器 {register}（{name}）为 {code}，不在其列表中；参数未保存。",
    "Register {register} ({name}) of the module holds {code}, which is not in its list; the parameters were not "
    "saved."};
// {register}: an address register's number, {name}: the window's label for its address, {word}: its whole word.
inline constexpr TextPair kAddressNotOctet{
    "模块的寄存器 {register}（{name}）为 {word}，不是地址的一个字节；参数未保存。",
    "Register {register} ({name}) of the module holds {word}, which is not an address octet; the parameters were "
    "not saved."};
inline constexpr TextPair kModeWordRefused{
    "模块的寄存器 3（通讯模式）为 {code}，不在通讯模式列表中，列表中显示的第一项只是代替它；未写入任何数据。请在列表中"
    "选择其他通讯模式，或恢复出厂设置。",
    "Register 3 (Communication mode) of the module holds {code}, which is not in the communication mode list; "
    "the list's first entry only stands in for it, and nothing was written. Choose another mode in the list, or "
    "restore the factory settings."};
inline constexpr TextPair kCtlCodeUnknown{"{}（未知）", "{} (unknown)"};
inline constexpr TextPair kCtlCommUnconfirmed{
    "模块未确认通讯参数的写入（没有收到校验正确的应答）；它可能已改用新的设置。",
    "The module did not confirm the communication parameter write (no checked reply came); it may already be "
    "using its new settings."};

// Traffic monitor
inline constexpr TextPair kMenuTrafficMonitor{"通信监视", "Traffic Monitor"};
inline constexpr TextPair kMonitorTitle{"通信监视", "Traffic Monitor"};
inline constexpr TextPair kMonitorPause{"暂停", "Pause"};
inline constexpr TextPair kMonitorResume{"继续", "Resume"};
inline constexpr TextPair kMonitorClear{"清除", "Clear"};
inline constexpr TextPair kMonitorCopy{"复制", "Copy"};
inline constexpr TextPair kMonitorSave{"另存为文本…", "Save as Text…"};
inline constexpr TextPair kMonitorSaveCaption{"保存通信记录", "Save Traffic Log"};
inline constexpr TextPair kMonitorSaveFilter{"文本文件 (*.txt)", "Text files (*.txt)"};
inline constexpr TextPair kMonitorSaveFailed{"文件无法保存！", "The file could not be saved!"};
// {} stands for a number.
inline constexpr TextPair kMonitorDropped{"…… 已丢弃较早的 {} 行", "… {} earlier lines dropped"};
inline constexpr TextPair kMonitorTry{"第{}次", "try {}"};
inline constexpr TextPair kMonitorTryFailed{"第{}次失败：", "try {} failed: "};
inline constexpr TextPair kMonitorResult{"结果：", "result: "};
inline constexpr TextPair kMonitorTries{"，次数：", ", tries: "};
inline constexpr TextPair kMonitorPurge{"清空收发缓冲区", "purge"};
inline constexpr TextPair kMonitorOpen{"打开通讯口 ", "port opened "};
inline constexpr TextPair kMonitorOpenFailed{"通讯口打开失败 ", "port open failed "};
inline constexpr TextPair kMonitorDiscarded{"（丢弃 {} 个未读字节）", " ({} unread bytes thrown away)"};
inline constexpr TextPair kMonitorClose{"关闭通讯口", "port closed"};
inline constexpr TextPair kMonitorEcho{"回显（本机发送的帧）", "echo of the frame sent"};
inline constexpr TextPair kMonitorStray{"不属于应答，已丢弃", "not part of a reply, thrown away"};
inline constexpr TextPair kLinkName0{"成功", "OK"};
inline constexpr TextPair kLinkName1{"超时（无应答）", "timeout (no reply)"};
inline constexpr TextPair kLinkName2{"意外应答（站号、功能码或长度不符）",
                                     "unexpected reply (station, function or length)"};
inline constexpr TextPair kLinkName3{"意外应答（站号、功能码、回显或长度不符）",
                                     "unexpected reply (station, function, echo or length)"};
inline constexpr TextPair kLinkName5{"发送失败", "send failed"};
inline constexpr TextPair kLinkName6{"接收失败", "receive failed"};
inline constexpr TextPair kLinkName7{"校验错误（CRC/LRC）", "check error (CRC/LRC)"};
inline constexpr TextPair kLinkName8{"通讯口无法打开", "port cannot be opened"};
inline constexpr TextPair kLinkName11{"线路错误（奇偶校验/帧）", "line error (parity/framing)"};
inline constexpr TextPair kLinkName12{"接收字节过多", "too many bytes queued"};
inline constexpr TextPair kLinkName13{"通讯口未打开", "port not open"};
inline constexpr TextPair kLinkNameOther{"通讯错误", "communication error"};

// Parameter files: Setting > Save Parameters… / Load Parameters…
// {key}, {value}, {path}, {format} and {supported} are filled in when shown.
inline constexpr TextPair kMenuSaveParams{"保存参数…", "Save Parameters…"};
inline constexpr TextPair kMenuLoadParams{"加载参数…", "Load Parameters…"};
inline constexpr TextPair kParamSaveTitle{"保存参数", "Save Parameters"};
inline constexpr TextPair kParamLoadTitle{"加载参数", "Load Parameters"};
inline constexpr TextPair kParamFileFilter{"Tolvane 参数文件 (*.ini)", "Tolvane parameters (*.ini)"};
inline constexpr TextPair kParamSaved{"参数已保存到文件！", "The parameters have been saved to the file!"};
inline constexpr TextPair kParamOverwrite{"文件 {path} 已存在，是否替换？",
                                          "The file {path} already exists. Do you want to replace it?"};
inline constexpr TextPair kParamSaveFailed{"无法写入参数文件 {path}，请检查文件夹及其权限！",
                                           "The parameter file {path} cannot be written, please check the folder "
                                           "and its permissions!"};
inline constexpr TextPair kParamLoaded{
    "参数已加载，请用各组的下载按钮将其写入模块！",
    "The parameters have been loaded. Use the download buttons of the groups to send them to the module!"};
// {file} and {module} are entries of the communication mode list.
inline constexpr TextPair kParamLoadedModeKept{
    "参数已加载，请用各组的下载按钮将其写入模块！文件中的通讯模式为“{file}”，模块的为“{module}”：通讯模式不随参数"
    "加载，模块保持“{module}”。",
    "The parameters have been loaded. Use the download buttons of the groups to send them to the module! The file's "
    "communication mode is \"{file}\", the module's is \"{module}\": the communication mode is not loaded, the "
    "module keeps \"{module}\"."};
inline constexpr TextPair kParamUnreadable{
    "无法读取该文件：文件不存在、不是普通文件或没有读取权限。窗口未作任何更改。",
    "The file cannot be read: it does not exist, is not a regular file or may not be read. Nothing in the "
    "window was changed."};
inline constexpr TextPair kParamTooLarge{
    "该文件大于 64 KiB，不是 Tolvane 参数文件。窗口未作任何更改。",
    "The file is larger than 64 KiB, so it is not a Tolvane parameter file. Nothing in the window was changed."};
inline constexpr TextPair kParamNotOurs{
    "该文件不是 Tolvane 参数文件：缺少 [Tolvane] 节中的 Format 项。窗口未作任何更改。",
    "The file is not a Tolvane parameter file: it has no [Tolvane] section with a Format key. Nothing in the "
    "window was changed."};
inline constexpr TextPair kParamNotText{
    "该文件不是 Tolvane 参数文件：其中有不属于文本的字节（NUL 字节或不完整的 UTF-16 字符）。窗口未作任何更改。",
    "The file is not a Tolvane parameter file: it holds bytes that are not text (a NUL byte or half a UTF-16 "
    "character). Nothing in the window was changed."};
inline constexpr TextPair kParamNewer{
    "该参数文件的格式为 {format}，由更新版本的 Tolvane 保存；本版本只能读取格式 {supported}。窗口未作任何更改。",
    "The parameter file has format {format} and was saved by a newer Tolvane; this version reads format "
    "{supported} only. Nothing in the window was changed."};
inline constexpr TextPair kParamMissing{
    "参数文件不完整：缺少 {key}（文件可能被截断）。窗口未作任何更改。",
    "The parameter file is incomplete: {key} is missing (the file may be cut off). Nothing in the window was "
    "changed."};
inline constexpr TextPair kParamCutOff{
    "参数文件的最后一行没有结束（文件可能被截断）。窗口未作任何更改。",
    "The last line of the parameter file has no line end (the file may be cut off). Nothing in the window was "
    "changed."};
inline constexpr TextPair kParamTwice{"参数文件中 {key} 出现了不止一次，无法确定其值。窗口未作任何更改。",
                                      "{key} appears more than once in the parameter file, so its value is "
                                      "unclear. Nothing in the window was changed."};
inline constexpr TextPair kParamBadValue{
    "参数文件中 {key} 的值“{value}”无效：{rule}。窗口未作任何更改。",
    "The value \"{value}\" of {key} in the parameter file is not valid: {rule}. Nothing in the window was "
    "changed."};
inline constexpr TextPair kRuleStation{"应为 1～247 的整数", "it must be a whole number from 1 to 247"};
inline constexpr TextPair kRuleCommMode{"应为 0～5 的整数", "it must be a whole number from 0 to 5"};
inline constexpr TextPair kRuleBaudCode{"应为 0～7 的整数", "it must be a whole number from 0 to 7"};
inline constexpr TextPair kRuleStopAddr{"应为 0～10000 的整数", "it must be a whole number from 0 to 10000"};
inline constexpr TextPair kRuleStopCode{"应为 1～15 的整数", "it must be a whole number from 1 to 15"};
inline constexpr TextPair kRuleAddress{"应为用点隔开的 4 个 0～255 的整数",
                                       "it must be four whole numbers from 0 to 255 joined by dots"};

// Ports a user recognises, and the permission to open them
inline constexpr TextPair kPortBuiltIn{"内置串口", "built-in serial port"};
inline constexpr TextPair kPortUsbAdapter{"USB 串口适配器", "USB serial adapter"};
inline constexpr TextPair kPortListedBySystem{"系统登记的串口", "serial port known to the system"};
// {port} is the port's device path.
inline constexpr TextPair kPortPermissionDenied{
    "没有权限打开 {port}。请把当前用户加入 'dialout' 组（sudo usermod -aG dialout $USER），然后注销并重新登录。",
    "Permission denied on {port}. Add your user to the 'dialout' group (sudo usermod -aG dialout $USER), then log out "
    "and in again."};
// Finding a module whose station and line settings are unknown
inline constexpr TextPair kMenuFindModule{"查找模块...", "Find Module..."};
inline constexpr TextPair kFindTitle{"查找模块", "Find Module"};
inline constexpr TextPair kFindFrom{"起始站号：", "From:"};
inline constexpr TextPair kFindTo{"结束站号：", "To:"};
inline constexpr TextPair kFindLines{"通讯参数：", "Line settings:"};
inline constexpr TextPair kFindAllLines{"全部，按自动检测的顺序", "All, in Auto Link's order"};
inline constexpr TextPair kFindAllModules{"查找所有模块", "Find all modules"};
inline constexpr TextPair kFindSearch{"搜索", "Search"};
inline constexpr TextPair kFindUse{"使用", "Use"};
inline constexpr TextPair kFindClose{"关闭", "Close"};
inline constexpr TextPair kFindResults{"找到的模块：", "Modules found:"};
inline constexpr TextPair kFindColStation{"站号", "Station"};
inline constexpr TextPair kFindColBaud{"波特率", "Baud rate"};
inline constexpr TextPair kFindColFormat{"帧格式", "Frame format"};
inline constexpr TextPair kFindColModel{"型号", "Model"};
inline constexpr TextPair kFindNotCoupler{"有应答，不是 KX-130", "answers, not a KX-130"};
// {} stand for the number of probes and a duration ("33 min", "28 s").
inline constexpr TextPair kFindExpected{"共 {} 次探测，预计约 {}。", "{} probes, expected to take about {}."};
// Probes done, probes in all, time elapsed, time left by the bound.
inline constexpr TextPair kFindProgress{"探测 {}/{}，已用 {}，最多还需 {}", "probe {}/{}, {} elapsed, at most {} left"};
inline constexpr TextPair kFindMinutes{"{} 分钟", "{} min"};
inline constexpr TextPair kFindSeconds{"{} 秒", "{} s"};
inline constexpr TextPair kFindRangeBad{"站号范围须为 1～247，且起始站号不大于结束站号。",
                                        "The station range must lie within 1..247, From not above To."};
inline constexpr TextPair kFindNothing{"在此范围内没有找到 KX-130。", "No KX-130 found in this range."};
inline constexpr TextPair kFindDone{"搜索完成，找到 {} 个 KX-130。", "Search finished, {} KX-130 found."};
inline constexpr TextPair kFindStopped{"用户停止搜索。", "Search stopped by the user."};
// tolvanectl scan over stations; {} stand for numbers and line settings.
inline constexpr TextPair kCtlFindProgress{"探测 {}/{}：站号 {}，{} 波特，{}", "probe {}/{}: station {}, {} baud, {}"};
inline constexpr TextPair kCtlStationsForm{"应为 1～247 的站号，或 FROM-TO 形式的范围。",
                                           "expected a station 1..247 or a range FROM-TO within 1..247."};
inline constexpr TextPair kCtlAllNeedsStations{"--all 只用于 scan --stations。",
                                               "--all applies to scan --stations only."};
inline constexpr TextPair kCtlNoLineMatches{"给出的通讯参数不在自动检测的组合之中。",
                                            "the line settings given match none that Auto Link tries."};
// The About box's first line; the version follows.
inline constexpr const char* kAboutVersionLead = "Tolvane  Version: ";

// A parameter file that could not be saved, by cause ({path} is the file), and a
// Format value that is no format number ({value} is the file's text).
inline constexpr TextPair kParamSaveNoFolder{"无法写入参数文件 {path}：文件夹不存在！",
                                             "The parameter file {path} cannot be written: its folder does not "
                                             "exist!"};
inline constexpr TextPair kParamSaveNoPermission{"无法写入参数文件 {path}：没有在该处写入的权限！",
                                                 "The parameter file {path} cannot be written: there is no "
                                                 "permission to write there!"};
inline constexpr TextPair kParamSaveDiskFull{"无法写入参数文件 {path}：磁盘已满！",
                                             "The parameter file {path} cannot be written: the disk is full!"};
inline constexpr TextPair kParamSaveNotAFile{
    "无法写入参数文件 {path}：该处是文件夹、设备或管道，不是普通文件！",
    "The parameter file {path} cannot be written: what is there is a folder, a device or a pipe, not a regular "
    "file!"};
inline constexpr TextPair kParamSaveTooLarge{
    "无法写入参数文件 {path}：该处已有的文件大于 1 MiB，不是 Tolvane 参数文件，不予替换！",
    "The parameter file {path} cannot be written: the file already there is larger than 1 MiB, so it is not a "
    "Tolvane parameter file and is not replaced!"};
inline constexpr TextPair kParamBadFormat{
    "参数文件 [Tolvane] 节中 Format 的值“{value}”不是格式编号（应为从 1 起的整数）。窗口未作任何更改。",
    "The value \"{value}\" of [Tolvane] Format in the parameter file is not a format number (a whole number from "
    "1). Nothing in the window was changed."};
}  // namespace txt

}  // namespace tolvane
