<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>Console</name>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>未知选项“%1”</translation>
    </message>
    <message>
        <source>%1 via %2</source>
        <translation>%1，经 %2</translation>
    </message>
    <message>
        <source>serial %1</source>
        <translation>序列号 %1</translation>
    </message>
    <message>
        <source>usage: %1</source>
        <translation>用法：%1</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a camera id (a 32-bit number, signed or unsigned)</source>
        <translation>“%1”不是摄像机编号（应为 32 位数字，有符号或无符号均可）</translation>
    </message>
    <message>
        <source>No cameras configured (%1).</source>
        <translation>没有配置摄像机（%1）。</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>KIND</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>ADDRESS</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>ALIAS</source>
        <translation>别名</translation>
    </message>
    <message>
        <source>camera %1 already exists (%2); add --replace to replace it</source>
        <translation>摄像机 %1 已存在（%2）；加 --replace 可替换它</translation>
    </message>
    <message>
        <source>camera %1 already has the address %2; add --force to add it anyway</source>
        <translation>摄像机 %1 已使用地址 %2；加 --force 仍可添加</translation>
    </message>
    <message>
        <source>camera %1 has the serial %2 with another server or account; every camera of a serial shares one login (add --force to add it anyway)</source>
        <translation>摄像机 %1 的序列号 %2 属于另一台服务器或另一个账号；同一序列号的摄像机共用一次登录（加 --force 仍可添加）</translation>
    </message>
    <message>
        <source>%1 looks like a broadcast address; add --force if it really is the camera&apos;s</source>
        <translation>%1 看起来是广播地址；如果确实是摄像机的地址，请加 --force</translation>
    </message>
    <message>
        <source>remove takes one camera id</source>
        <translation>remove 需要一个摄像机编号</translation>
    </message>
    <message>
        <source>no camera with id %1</source>
        <translation>没有编号为 %1 的摄像机</translation>
    </message>
    <message>
        <source>Removed camera %1</source>
        <translation>已移除摄像机 %1</translation>
    </message>
    <message>
        <source>wrong number of arguments</source>
        <translation>参数个数不对</translation>
    </message>
    <message>
        <source>Replaced camera %1 at %2</source>
        <translation>已替换摄像机 %1，地址 %2</translation>
    </message>
    <message>
        <source>Added camera %1 at %2</source>
        <translation>已添加摄像机 %1，地址 %2</translation>
    </message>
    <message>
        <source>Replaced camera %1 (serial %2 via server %3)</source>
        <translation>已替换摄像机 %1（序列号 %2，经服务器 %3）</translation>
    </message>
    <message>
        <source>Added camera %1 (serial %2 via server %3)</source>
        <translation>已添加摄像机 %1（序列号 %2，经服务器 %3）</translation>
    </message>
    <message>
        <source>give the password or --password-stdin, not both</source>
        <translation>请给出密码或 --password-stdin，不能同时给出</translation>
    </message>
    <message>
        <source>no password on standard input</source>
        <translation>标准输入中没有密码</translation>
    </message>
    <message>
        <source>Password of camera %1: </source>
        <translation>摄像机 %1 的密码：</translation>
    </message>
    <message>
        <source>Password of %1 on %2: </source>
        <translation>%2 上 %1 的密码：</translation>
    </message>
    <message>
        <source>the password is missing: give it, type it at the prompt on a terminal, or pass --password-stdin</source>
        <translation>缺少密码：请直接给出，或在终端的提示下输入，或使用 --password-stdin</translation>
    </message>
    <message>
        <source>is not a host address (0.x.x.x means this network)</source>
        <translation>不是主机地址（0.x.x.x 表示本网络）</translation>
    </message>
    <message>
        <source>is the broadcast address</source>
        <translation>是广播地址</translation>
    </message>
    <message>
        <source>is a multicast address</source>
        <translation>是组播地址</translation>
    </message>
    <message>
        <source>is a reserved address</source>
        <translation>是保留地址</translation>
    </message>
    <message numerus="yes">
        <source>Started a run of %n camera(s).</source>
        <translation>
            <numerusform>已开始同步 %n 台摄像机。</numerusform>
        </translation>
    </message>
    <message>
        <source>not a change this program makes</source>
        <translation>本程序不做这种更改</translation>
    </message>
    <message>
        <source>Velmora (PID %1) holds the profile but does not answer on its control socket;
  nothing was changed. Try again, or stop it (kill %1) and run the command again.</source>
        <translation>Velmora（PID %1）占用着配置，但其控制套接字没有应答；
  没有做任何更改。请重试，或先停止它（kill %1）再运行此命令。</translation>
    </message>
    <message>
        <source>another Velmora holds the profile but does not answer on its control socket;
  nothing was changed. Try again, or stop it and run the command again.</source>
        <translation>另一个 Velmora 占用着配置，但其控制套接字没有应答；
  没有做任何更改。请重试，或先停止它再运行此命令。</translation>
    </message>
    <message>
        <source>no Velmora service is running; &apos;velmora --headless --once&apos; synchronises every camera now</source>
        <translation>没有正在运行的 Velmora 服务；“velmora --headless --once”可立即同步所有摄像机</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 字节</translation>
    </message>
    <message>
        <source>cannot run the demo program %1: %2</source>
        <translation>无法运行演示程序 %1：%2</translation>
    </message>
    <message>
        <source>the sibling camera manager is running and listens for cameras itself; use its list</source>
        <translation>摄像机管理程序正在运行并自行监听摄像机；请使用它的列表</translation>
    </message>
    <message>
        <source>cannot listen for camera announcements (UDP port 51010 is in use, perhaps by a running Velmora)</source>
        <translation>无法监听摄像机广播（UDP 端口 51010 已被占用，可能是正在运行的 Velmora）</translation>
    </message>
    <message>
        <source>Listening for cameras on the local network for %1 s...</source>
        <translation>正在本地网络上监听摄像机 %1 秒……</translation>
    </message>
    <message>
        <source>No camera heard.</source>
        <translation>没有发现摄像机。</translation>
    </message>
    <message>
        <source>camera %1 was not heard on the local network within %2 s; give its address</source>
        <translation>%2 秒内在本地网络上没有发现摄像机 %1；请给出它的地址</translation>
    </message>
    <message>
        <source>the running Velmora could not write %1; the change holds until it exits</source>
        <translation>正在运行的 Velmora 无法写入 %1；更改在它退出前有效</translation>
    </message>
    <message>
        <source>the running Velmora could not write %1</source>
        <translation>正在运行的 Velmora 无法写入 %1</translation>
    </message>
    <message>
        <source>automatic synchronisation is off; start a run with &apos;velmora sync&apos; (or restart with --now)</source>
        <translation>自动同步已关闭；可用“velmora sync”开始一次同步（或加 --now 重新启动）</translation>
    </message>
    <message>
        <source>next automatic run at %1 (interval: %2)</source>
        <translation>下次自动同步时间 %1（同步间隔：%2）</translation>
    </message>
    <message>
        <source>the camera library could not start</source>
        <translation>摄像机库无法启动</translation>
    </message>
    <message>
        <source>done</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>被拒绝</translation>
    </message>
    <message>
        <source>warning: the control socket could not be opened; other velmora commands cannot reach this one</source>
        <translation>警告：无法打开控制套接字；其他 velmora 命令无法联系到本实例</translation>
    </message>
    <message>
        <source>Failed cameras are retried every %1 s. Press Ctrl+C to stop.</source>
        <translation>失败的摄像机每 %1 秒重试一次。按 Ctrl+C 停止。</translation>
    </message>
    <message>
        <source>stopping all cameras</source>
        <translation>正在停止所有摄像机</translation>
    </message>
    <message>
        <source>run finished</source>
        <translation>本轮同步结束</translation>
    </message>
    <message>
        <source>No cameras configured; nothing to do.</source>
        <translation>没有配置摄像机；无事可做。</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>已中断</translation>
    </message>
    <message>
        <source>Total: %1 camera(s), %2 new recording(s) (%3 resumed), %4 skipped, %5, %6 s</source>
        <translation>合计：%1 台摄像机，%2 个新录像（%3 个续传），%4 个跳过，%5，%6 秒</translation>
    </message>
    <message>
        <source>Usage: velmora --demo [--cameras N] [--keep] [--console] [--verbose]

Starts N (1-20, default 5) simulated cameras on 127.0.0.2 to 127.0.0.(N+1),
port 9996, and two more behind a simulated video server on 127.0.0.(N+2),
port 1701, synchronises them into a new temporary folder with a profile of
its own, and checks every file byte for byte. Your own cameras, settings
and a running Velmora service are not touched.
With a display the window shows the run (close it for the summary).
  --console  keep the terminal board even when a display is available
  --keep     keep the temporary folder afterwards (it is removed otherwise)
  --verbose  show the camera library&apos;s log lines on standard error
Exit status 0 when every file is byte-exact, 130 when interrupted.
</source>
        <translation>用法：velmora --demo [--cameras N] [--keep] [--console] [--verbose]

在 127.0.0.2 到 127.0.0.(N+1) 的端口 9996 上启动 N 台（1-20，默认 5）
模拟摄像机，另在 127.0.0.(N+2) 端口 1701 的模拟视频服务器后面启动两台，
用独立的配置把它们同步到一个新的临时文件夹，并逐字节检查每个文件。
不会动到你自己的摄像机、设置和正在运行的 Velmora 服务。
有显示器时由窗口显示运行过程（关闭窗口后显示汇总）。
  --console  即使有显示器也保留终端看板
  --keep     结束后保留临时文件夹（否则会删除）
  --verbose  在标准错误上显示摄像机库的日志行
所有文件逐字节一致时退出状态为 0，被中断时为 130。
</translation>
    </message>
    <message>
        <source>Try &apos;velmora %1--help&apos;.</source>
        <translation>请试试“velmora %1--help”。</translation>
    </message>
    <message>
        <source>no display to open the window on; use --headless (see --help).</source>
        <translation>没有可显示窗口的显示器；请使用 --headless（见 --help）。</translation>
    </message>
    <message>
        <source>--cameras needs a number</source>
        <translation>--cameras 需要一个数字</translation>
    </message>
    <message>
        <source>--cameras takes a number from 1 to 20, not &apos;%1&apos;</source>
        <translation>--cameras 需要 1 到 20 的数字，而不是“%1”</translation>
    </message>
    <message>
        <source>unknown argument &apos;%1&apos;</source>
        <translation>未知参数“%1”</translation>
    </message>
    <message>
        <source>--headless and --demo are separate modes</source>
        <translation>--headless 和 --demo 是两种不同的模式</translation>
    </message>
    <message>
        <source>--console belongs to --demo</source>
        <translation>--console 属于 --demo</translation>
    </message>
    <message>
        <source>--cameras belongs to --demo</source>
        <translation>--cameras 属于 --demo</translation>
    </message>
    <message>
        <source>--keep belongs to --demo</source>
        <translation>--keep 属于 --demo</translation>
    </message>
    <message>
        <source>--once already starts every camera now</source>
        <translation>--once 已经会立即启动所有摄像机</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>%1 camera(s) at a time</source>
        <translation>同时 %1 台摄像机</translation>
    </message>
    <message>
        <source>&apos;%1&apos; needs a value</source>
        <translation>“%1”需要一个值</translation>
    </message>
    <message>
        <source>interval takes off, 10m, 30m, 1h, 2h, 4h, 12h, 1d or 1w (or a code 0 to 8), not &apos;%1&apos;</source>
        <translation>interval 可取 off、10m、30m、1h、2h、4h、12h、1d 或 1w（或代码 0 到 8），而不是“%1”</translation>
    </message>
    <message>
        <source>concurrency takes a number from 1 to 5, not &apos;%1&apos;</source>
        <translation>concurrency 需要 1 到 5 的数字，而不是“%1”</translation>
    </message>
    <message>
        <source>pacing takes milliseconds from 0 to %1, not &apos;%2&apos;</source>
        <translation>pacing 需要 0 到 %1 的毫秒数，而不是“%2”</translation>
    </message>
    <message>
        <source>from the camera manager&apos;s settings, %1</source>
        <translation>来自摄像机管理程序的设置，%1</translation>
    </message>
    <message>
        <source>default: %1 names no folder</source>
        <translation>默认：%1 中没有指定文件夹</translation>
    </message>
    <message>
        <source>default: no camera manager settings at %1</source>
        <translation>默认：%1 处没有摄像机管理程序的设置</translation>
    </message>
    <message>
        <source>interval</source>
        <translation>同步间隔</translation>
    </message>
    <message>
        <source>concurrency</source>
        <translation>并发数</translation>
    </message>
    <message>
        <source>auto start</source>
        <translation>开机启动</translation>
    </message>
    <message>
        <source>on</source>
        <translation>开</translation>
    </message>
    <message>
        <source>off</source>
        <translation>关</translation>
    </message>
    <message>
        <source>pacing</source>
        <translation>请求间隔</translation>
    </message>
    <message>
        <source>downloads</source>
        <translation>下载路径</translation>
    </message>
    <message>
        <source>settings file</source>
        <translation>设置文件</translation>
    </message>
    <message>
        <source>%1 (%2, code %3)</source>
        <translation>%1（%2，代码 %3）</translation>
    </message>
    <message>
        <source>Velmora is already running (PID %1). &apos;velmora sync&apos; starts a run in it;
  &apos;velmora cameras&apos; and &apos;velmora settings&apos; changes reach it directly. Stop it first (kill %1) to run another.</source>
        <translation>Velmora 已在运行（PID %1）。“velmora sync”让它开始一次同步；
  “velmora cameras”和“velmora settings”的更改会直接交给它。要运行另一个，请先停止它（kill %1）。</translation>
    </message>
    <message>
        <source>another Velmora instance is running; exiting.</source>
        <translation>另一个 Velmora 实例正在运行；退出。</translation>
    </message>
    <message>
        <source>automatic synchronisation of every camera</source>
        <translation>自动同步所有摄像机</translation>
    </message>
    <message>
        <source>camera %1</source>
        <translation>摄像机 %1</translation>
    </message>
    <message>
        <source>via server, serial %1</source>
        <translation>经服务器，序列号 %1</translation>
    </message>
    <message>
        <source>up to date, %1 on disk</source>
        <translation>已是最新，磁盘上有 %1 个</translation>
    </message>
    <message>
        <source>%1, %2/%3 new recordings</source>
        <translation>%1，%2/%3 个新录像</translation>
    </message>
    <message>
        <source>%1 skipped</source>
        <translation>%1 个跳过</translation>
    </message>
    <message>
        <source>%1 on disk</source>
        <translation>磁盘上有 %1 个</translation>
    </message>
    <message>
        <source>%1 running, %2 waiting, %3 KB/s</source>
        <translation>%1 个运行中，%2 个等待中，%3 KB/s</translation>
    </message>
    <message>
        <source>(file %1 of %2)</source>
        <translation>（第 %1 个，共 %2 个）</translation>
    </message>
    <message>
        <source>resuming %1 at %2 of %3 %4</source>
        <translation>续传 %1，从 %2 处继续，共 %3 %4</translation>
    </message>
    <message>
        <source>downloading %1 %2</source>
        <translation>正在下载 %1 %2</translation>
    </message>
    <message>
        <source>skipped %1: %2</source>
        <translation>跳过 %1：%2</translation>
    </message>
    <message>
        <source>speed %1 KB/s</source>
        <translation>速度 %1 KB/s</translation>
    </message>
    <message>
        <source>the camera sent data outside the requested range</source>
        <translation>摄像机发送的数据超出了请求的范围</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not an IPv4 address (expected a.b.c.d)</source>
        <translation>“%1”不是 IPv4 地址（应为 a.b.c.d）</translation>
    </message>
    <message>
        <source>the password is %1 bytes long; a camera password has at most 15 bytes</source>
        <translation>密码长 %1 字节；摄像机密码最多 15 字节</translation>
    </message>
    <message>
        <source>the password must not contain a NUL byte</source>
        <translation>密码不能包含 NUL 字节</translation>
    </message>
    <message>
        <source>the %1 must not contain a NUL byte</source>
        <translation>%1不能包含 NUL 字节</translation>
    </message>
    <message>
        <source>the %1 is %2 bytes long; it has at most %3 bytes</source>
        <translation>%1长 %2 字节；最多 %3 字节</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a server IPv4 address (expected a.b.c.d)</source>
        <translation>“%1”不是服务器的 IPv4 地址（应为 a.b.c.d）</translation>
    </message>
    <message>
        <source>the user name is empty</source>
        <translation>用户名为空</translation>
    </message>
    <message>
        <source>the main camera serial number is empty</source>
        <translation>主摄像机序列号为空</translation>
    </message>
    <message>
        <source>user name</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>main camera serial number</source>
        <translation>主摄像机序列号</translation>
    </message>
    <message>
        <source>camera not in this account (serial %1 on %2)</source>
        <translation>摄像机不在此账号中（序列号 %1，服务器 %2）</translation>
    </message>
    <message>
        <source>server %1 unreachable (%2)</source>
        <translation>服务器 %1 无法连接（%2）</translation>
    </message>
    <message>
        <source>server login refused (user %1, serial %2; result %3): check the user, password and serial</source>
        <translation>服务器拒绝登录（用户 %1，序列号 %2；结果 %3）：请检查用户名、密码和序列号</translation>
    </message>
    <message numerus="yes">
        <source>%n camera(s) heard.</source>
        <translation>
            <numerusform>发现 %n 台摄像机。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Velmora headless: %n camera(s), download folder %1</source>
        <translation>
            <numerusform>Velmora 无窗口运行：%n 台摄像机，下载文件夹 %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n camera(s) to retry within %1 s</source>
        <translation>
            <numerusform>%n 台摄像机将在 %1 秒内重试</numerusform>
        </translation>
    </message>
    <message>
        <source>cannot create a temporary folder in %1</source>
        <translation>无法在 %1 中创建临时文件夹</translation>
    </message>
    <message>
        <source>cannot start a simulated camera on %1:9996 (is the port in use?)</source>
        <translation>无法在 %1:9996 上启动模拟摄像机（端口是否已被占用？）</translation>
    </message>
    <message>
        <source>cannot start a simulated camera on %1</source>
        <translation>无法在 %1 上启动模拟摄像机</translation>
    </message>
    <message>
        <source>cannot listen on %1</source>
        <translation>无法在 %1 上监听</translation>
    </message>
    <message>
        <source>cannot start the simulated video server on %1:%2</source>
        <translation>无法在 %1:%2 上启动模拟视频服务器</translation>
    </message>
    <message>
        <source>Velmora demo: %1 simulated cameras (127.0.0.2-%2, port 9996) and %3 behind a video server (%4:%5), %6 at a time</source>
        <translation>Velmora 演示：%1 台模拟摄像机（127.0.0.2-%2，端口 9996），另有 %3 台在视频服务器后面（%4:%5），同时 %6 台</translation>
    </message>
    <message>
        <source>Download folder: %1</source>
        <translation>下载文件夹：%1</translation>
    </message>
    <message>
        <source>the demo takes too long; giving up</source>
        <translation>演示耗时过长；放弃</translation>
    </message>
    <message>
        <source>Demo interrupted; nothing was compared.</source>
        <translation>演示已中断；没有做任何比较。</translation>
    </message>
    <message>
        <source>folder</source>
        <translation>文件夹</translation>
    </message>
    <message>
        <source>%1 (kept)</source>
        <translation>%1（已保留）</translation>
    </message>
    <message>
        <source>did not finish</source>
        <translation>未完成</translation>
    </message>
    <message>
        <source>MISMATCH: %1</source>
        <translation>不一致：%1</translation>
    </message>
    <message>
        <source>Demo complete: every file is byte-exact.</source>
        <translation>演示完成：每个文件都逐字节一致。</translation>
    </message>
    <message>
        <source>Demo FAILED.</source>
        <translation>演示失败。</translation>
    </message>
    <message>
        <source>cameras</source>
        <translation>摄像机</translation>
    </message>
    <message>
        <source>%1 direct, %2 through the video server</source>
        <translation>%1 台直连，%2 台经视频服务器</translation>
    </message>
    <message>
        <source>found</source>
        <translation>发现</translation>
    </message>
    <message numerus="yes">
        <source>%n camera(s) announcing themselves:%1</source>
        <translation>
            <numerusform>%n 台摄像机在广播自己：%1</numerusform>
        </translation>
    </message>
    <message>
        <source>discovery was not listening (UDP port %1 in use)</source>
        <translation>发现功能未在监听（UDP 端口 %1 已被占用）</translation>
    </message>
    <message>
        <source>server</source>
        <translation>服务器</translation>
    </message>
    <message>
        <source>%1 login(s), %2 relayed connection(s), %3 logout(s)</source>
        <translation>%1 次登录，%2 次中继连接，%3 次登出</translation>
    </message>
    <message>
        <source>%1 verified (%2 resumed from a partial file, %3 already present)</source>
        <translation>%1 个已校验（%2 个从部分文件续传，%3 个原已存在）</translation>
    </message>
    <message>
        <source>%1 wrong or missing</source>
        <translation>%1 个错误或缺失</translation>
    </message>
    <message>
        <source>files</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>bytes</source>
        <translation>字节</translation>
    </message>
    <message>
        <source>%1 on disk, %2 downloaded</source>
        <translation>磁盘上 %1，已下载 %2</translation>
    </message>
    <message>
        <source>time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>%1 s (%2/s)</source>
        <translation>%1 秒（%2/秒）</translation>
    </message>
    <message>
        <source>%1 (removed; --keep keeps it)</source>
        <translation>%1（已删除；--keep 可保留）</translation>
    </message>
    <message>
        <source>, </source>
        <translation>，</translation>
    </message>
    <message>
        <source>; </source>
        <translation>；</translation>
    </message>
    <message>
        <source>the control socket could not be opened; other velmora commands cannot reach this window</source>
        <translation>无法打开控制套接字；其他 velmora 命令无法联系到本窗口</translation>
    </message>
    <message>
        <source>camera %1: delete-after-copy %2</source>
        <translation>摄像机 %1：delete-after-copy %2</translation>
    </message>
    <message>
        <source>delete-after-copy takes on or off, not &apos;%1&apos;</source>
        <translation>delete-after-copy 可取 on 或 off，而不是“%1”</translation>
    </message>
    <message>
        <source>missing command (list, discover, add-local, add-remote, remove, set)</source>
        <translation>缺少命令（list、discover、add-local、add-remote、remove、set）</translation>
    </message>
    <message>
        <source>Usage: velmora cameras remove &lt;id&gt;

Removes a camera from the list, with its options. Its downloaded recordings
stay on disk.
</source>
        <translation>用法：velmora cameras remove &lt;id&gt;

从列表中移除摄像机及其选项。已下载的录像保留在磁盘上。
</translation>
    </message>
    <message>
        <source>min-free      off (downloads may fill the disk)</source>
        <translation>磁盘保留空间  关（下载可能占满磁盘）</translation>
    </message>
    <message>
        <source>min-free      %1: a camera stops with &quot;disk full&quot; below it</source>
        <translation>磁盘保留空间  %1：低于此值时摄像机以“磁盘已满”停止</translation>
    </message>
    <message>
        <source>keep-days     0: recordings are kept for ever</source>
        <translation>录像保留天数  0：录像永久保留</translation>
    </message>
    <message>
        <source>keep-days     %1: older recordings are removed after a camera&apos;s run</source>
        <translation>录像保留天数  %1：摄像机每轮同步后删除更早的录像</translation>
    </message>
    <message>
        <source>min-free takes a size in bytes, with K, M, G or T for binary units (2G, 500M; 0 switches the check off), not &apos;%1&apos;</source>
        <translation>min-free 需要以字节为单位的大小，可带 K、M、G 或 T（二进制单位，如 2G、500M；0 关闭检查），而不是“%1”</translation>
    </message>
    <message>
        <source>keep-days takes a whole number of days from 0 (keep for ever) to %1, not &apos;%2&apos;</source>
        <translation>keep-days 需要 0（永久保留）到 %1 的整数天数，而不是“%2”</translation>
    </message>
    <message>
        <source>; %1 deleted from camera cards, %2 kept</source>
        <translation>；已从摄像机存储卡删除 %1 个，保留 %2 个</translation>
    </message>
    <message>
        <source>; %1 old recording(s) removed (%2)</source>
        <translation>；已删除 %1 个旧录像（%2）</translation>
    </message>
    <message>
        <source>deleted %1 from the camera (copy verified)</source>
        <translation>已从摄像机删除 %1（副本已校验）</translation>
    </message>
    <message>
        <source>the camera refused to delete %1; it keeps it</source>
        <translation>摄像机拒绝删除 %1；录像保留在摄像机上</translation>
    </message>
    <message>
        <source>the camera did not answer the delete of %1; it keeps it and no more are asked this run</source>
        <translation>摄像机没有应答删除 %1 的请求；录像保留，本轮不再请求删除</translation>
    </message>
    <message>
        <source>removed %1 recording(s) older than %2 day(s), %3 freed</source>
        <translation>已删除 %1 个早于 %2 天的录像，释放 %3</translation>
    </message>
    <message>
        <source>disk full: %1 free on the file system of %2, below the %3 to keep free (velmora settings min-free); the camera resumes once space is back</source>
        <translation>磁盘已满：%2 所在文件系统只剩 %1 空闲，低于要保留的 %3（velmora settings min-free）；空间恢复后摄像机会继续</translation>
    </message>
    <message>
        <source>disk full: no space left on the file system of %1; the camera resumes once space is back</source>
        <translation>磁盘已满：%1 所在文件系统没有剩余空间；空间恢复后摄像机会继续</translation>
    </message>
    <message>
        <source>list takes no arguments but --json</source>
        <translation>list 只接受 --json 参数</translation>
    </message>
    <message>
        <source>Usage: velmora cameras list [--json]

Shows every configured camera: id, kind, address (or serial and server) and
alias. Works while a Velmora service runs.
  --json  one JSON object per line and camera: {&quot;type&quot;:&quot;camera&quot;, &quot;id&quot;,
          &quot;kind&quot; (&quot;local&quot; or &quot;remote&quot;), &quot;address&quot; and &quot;port&quot; (local) or
          &quot;server&quot;, &quot;port&quot;, &quot;user&quot; and &quot;serial&quot; (remote), &quot;alias&quot;}.
          Passwords are never shown. Text that is not valid UTF-8 or holds
          control characters is shown with \xNN escapes, as on the console.
</source>
        <translation>用法：velmora cameras list [--json]

列出每台已配置的摄像机：编号、类型、地址（或序列号和服务器）和别名。
Velmora 服务运行时也可使用。
  --json  每台摄像机输出一行 JSON 对象：{&quot;type&quot;:&quot;camera&quot;, &quot;id&quot;,
          &quot;kind&quot;（&quot;local&quot; 或 &quot;remote&quot;）, &quot;address&quot; 和 &quot;port&quot;（本地）或
          &quot;server&quot;, &quot;port&quot;, &quot;user&quot; 和 &quot;serial&quot;（远程）, &quot;alias&quot;}。
          从不显示密码。不是有效 UTF-8 或含控制字符的文本以 \xNN
          转义显示，与控制台相同。
</translation>
    </message>
    <message>
        <source>--once, --now and --json belong to --headless</source>
        <translation>--once、--now 和 --json 属于 --headless</translation>
    </message>
    <message>
        <source>--json reports a single run: use it with --once</source>
        <translation>--json 只报告一轮同步：请与 --once 一起使用</translation>
    </message>
    <message>
        <source>--json belongs to --headless --once, cameras list and status</source>
        <translation>--json 属于 --headless --once、cameras list 和 status</translation>
    </message>
    <message>
        <source>choose a mode: --headless, --demo, cameras, settings, sync or status</source>
        <translation>请选择一种模式：--headless、--demo、cameras、settings、sync 或 status</translation>
    </message>
    <message numerus="yes">
        <source>%n recording(s) skipped</source>
        <translation>
            <numerusform>%n 个录像被跳过</numerusform>
        </translation>
    </message>
    <message>
        <source>the run did not finish</source>
        <translation>本轮同步未完成</translation>
    </message>
    <message>
        <source>no run recorded</source>
        <translation>没有同步记录</translation>
    </message>
    <message>
        <source>last completed %1</source>
        <translation>上次完成于 %1</translation>
    </message>
    <message>
        <source>never completed</source>
        <translation>从未完成</translation>
    </message>
    <message>
        <source>last run %1 at %2</source>
        <translation>上次同步 %1，时间 %2</translation>
    </message>
    <message>
        <source>%1 in the last 7 days</source>
        <translation>最近 7 天 %1</translation>
    </message>
    <message>
        <source>refused by the camera</source>
        <translation>摄像机拒绝下载</translation>
    </message>
    <message>
        <source>an automatic run is overdue (the last one started at %1, interval: %2); it starts shortly</source>
        <translation>自动同步已过期（上次开始于 %1，同步间隔：%2），即将开始</translation>
    </message>
    <message>
        <source>next automatic run at %1 (interval: %2, after the last one at %3)</source>
        <translation>下次自动同步时间 %1（同步间隔：%2，从上次 %3 算起）</translation>
    </message>
    <message>
        <source>Next automatic run: none, automatic synchronisation is off (start a run with &apos;velmora sync&apos;)</source>
        <translation>下次自动同步：无，自动同步已关闭（用 &apos;velmora sync&apos; 开始同步）</translation>
    </message>
    <message>
        <source>Next automatic run: one interval (%1) after Velmora starts; no automatic run is recorded yet</source>
        <translation>下次自动同步：Velmora 启动后一个间隔（%1）；尚无自动同步记录</translation>
    </message>
    <message>
        <source>Next automatic run: %1, one interval (%2) after the last one at %3</source>
        <translation>下次自动同步：%1，即上次 %3 之后一个间隔（%2）</translation>
    </message>
    <message>
        <source>Next automatic run: overdue, the last one started at %1 (interval: %2); a running Velmora starts it within a minute</source>
        <translation>下次自动同步：已过期，上次开始于 %1（同步间隔：%2）；运行中的 Velmora 会在一分钟内开始</translation>
    </message>
    <message>
        <source>download-folder &apos;%1&apos; cannot be used: %2</source>
        <translation>下载路径“%1”不可用：%2</translation>
    </message>
    <message>
        <source>set with &apos;velmora settings download-folder&apos;, in %1</source>
        <translation>由“velmora settings download-folder”设置，保存在 %1</translation>
    </message>
    <message>
        <source>default: the folder %1 names is not absolute</source>
        <translation>默认：%1 中的文件夹不是绝对路径</translation>
    </message>
    <message>
        <source>it is not an absolute path (it must start with /)</source>
        <translation>不是绝对路径（必须以 / 开头）</translation>
    </message>
    <message>
        <source>the root folder / cannot hold the recordings</source>
        <translation>根目录 / 不能存放录像</translation>
    </message>
    <message>
        <source>it cannot be created: %1</source>
        <translation>无法创建：%1</translation>
    </message>
    <message>
        <source>it is not a folder</source>
        <translation>不是文件夹</translation>
    </message>
    <message>
        <source>it is not writable: %1</source>
        <translation>不可写入：%1</translation>
    </message>
    <message>
        <source>the download folder %1 cannot take recordings: %2</source>
        <translation>下载路径 %1 无法存放录像：%2</translation>
    </message>
    <message numerus="yes">
        <source>Deleted %n partial file(s) (%1) of camera %2; its finished recordings stay in %3</source>
        <translation>
            <numerusform>已删除摄像机 %2 的 %n 个未完成文件（%1）；其已完成的录像保留在 %3</numerusform>
        </translation>
    </message>
    <message>
        <source>usage: velmora cameras discover [--seconds N] [--json]   (N from 1 to 3600, default %1)</source>
        <translation>用法：velmora cameras discover [--seconds N] [--json]   （N 为 1 到 3600，默认 %1）</translation>
    </message>
    <message>
        <source>CONFIGURED</source>
        <translation>已配置</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>Usage: velmora cameras discover [--seconds N] [--json]

Listens for the cameras announcing themselves on the local network (UDP port
51010) for N seconds (1 to 3600, default 5) and lists each camera heard: id,
address, and whether it is already configured. &apos;velmora cameras add-local
&lt;id&gt;&apos; then adds one by its id alone.
  --json  one JSON object per line and camera heard: {&quot;type&quot;:&quot;camera&quot;,
          &quot;id&quot;, &quot;address&quot;, &quot;configured&quot; (true or false)}; the other lines
          go to standard error.
</source>
        <translation>用法：velmora cameras discover [--seconds N] [--json]

在本地网络上监听摄像机的广播（UDP 端口 51010）N 秒（1 到 3600，默认 5），
列出听到的每台摄像机：编号、地址，以及是否已配置。之后可用
“velmora cameras add-local &lt;id&gt;”只凭编号添加。
  --json  每台听到的摄像机输出一行 JSON 对象：{&quot;type&quot;:&quot;camera&quot;,
          &quot;id&quot;, &quot;address&quot;, &quot;configured&quot;（true 或 false）}；其余的行
          输出到标准错误。
</translation>
    </message>
    <message>
        <source>no speed limit</source>
        <translation>不限速</translation>
    </message>
    <message>
        <source>rate takes bytes per second per camera, with K, M or G for binary units, from %1 up (2M, 500K), or off, not &apos;%2&apos;</source>
        <translation>rate 需要每台摄像机每秒的字节数，可带 K、M 或 G（二进制单位），至少 %1（如 2M、500K），或 off，而不是“%2”</translation>
    </message>
    <message>
        <source>the connection could not be started</source>
        <translation>无法开始连接</translation>
    </message>
    <message>
        <source>the camera did not answer within 10 s</source>
        <translation>摄像机 10 秒内没有应答</translation>
    </message>
    <message>
        <source>wrong password</source>
        <translation>密码错误</translation>
    </message>
    <message>
        <source>cannot connect: %1</source>
        <translation>无法连接：%1</translation>
    </message>
    <message>
        <source>login refused (%1)</source>
        <translation>登录被拒绝（%1）</translation>
    </message>
    <message>
        <source>the camera did not send its recording list</source>
        <translation>摄像机没有发送录像列表</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos; (list, discover, add-local, add-remote, remove, set, test, recordings)</source>
        <translation>未知命令“%1”（list、discover、add-local、add-remote、remove、set、test、recordings）</translation>
    </message>
    <message>
        <source>camera %1 (%2): %3</source>
        <translation>摄像机 %1（%2）：%3</translation>
    </message>
    <message numerus="yes">
        <source>camera %1 (%2): logged in; %n recording(s) on the card; logged out</source>
        <translation>
            <numerusform>摄像机 %1（%2）：已登录；存储卡上有 %n 个录像；已退出登录</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 recording(s) on the card; %2 to download (%3) into %4</source>
        <translation>存储卡上有 %1 个录像；%2 个需下载（%3），下载到 %4</translation>
    </message>
    <message>
        <source>unknown camera option &apos;%1&apos; (address, password, alias, server, user, server-password, delete-after-copy)</source>
        <translation>未知摄像机选项“%1”（address、password、alias、server、user、server-password、delete-after-copy）</translation>
    </message>
    <message>
        <source>camera %1 is on the local network; server, user and server-password belong to cameras behind a video server</source>
        <translation>摄像机 %1 在本地网络上；server、user 和 server-password 只用于视频服务器后面的摄像机</translation>
    </message>
    <message>
        <source>camera %1 is reached through a video server; change its server, user or server-password</source>
        <translation>摄像机 %1 经视频服务器连接；请更改它的 server、user 或 server-password</translation>
    </message>
    <message>
        <source>saved; used from Velmora&apos;s next run</source>
        <translation>已保存；Velmora 下次运行时使用</translation>
    </message>
    <message>
        <source>saved; the running Velmora restarted the camera with it</source>
        <translation>已保存；正在运行的 Velmora 已用新配置重新启动该摄像机</translation>
    </message>
    <message>
        <source>saved; the running Velmora uses it from the camera&apos;s next run</source>
        <translation>已保存；正在运行的 Velmora 从该摄像机的下一轮同步起使用</translation>
    </message>
    <message>
        <source>saved; the running Velmora shows it now</source>
        <translation>已保存；正在运行的 Velmora 已立即显示</translation>
    </message>
    <message>
        <source>Changed camera %1: %2 (%3)</source>
        <translation>已更改摄像机 %1：%2（%3）</translation>
    </message>
    <message>
        <source>%1 is %2; the camera keeps the address %2</source>
        <translation>%1 是 %2；摄像机保存地址 %2</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not an IPv4 address, and no host of that name was found</source>
        <translation>“%1”不是 IPv4 地址，也找不到这个名称的主机</translation>
    </message>
    <message>
        <source>change one password at a time</source>
        <translation>一次只能更改一个密码</translation>
    </message>
    <message>
        <source>--password-stdin goes with password or server-password</source>
        <translation>--password-stdin 需与 password 或 server-password 一起使用</translation>
    </message>
    <message>
        <source>New password of camera %1: </source>
        <translation>摄像机 %1 的新密码：</translation>
    </message>
    <message>
        <source>New password of %1 on %2: </source>
        <translation>%2 上 %1 的新密码：</translation>
    </message>
    <message>
        <source>the password is asked for on a terminal; without one, pass --password-stdin</source>
        <translation>密码需在终端上输入；没有终端时请使用 --password-stdin</translation>
    </message>
    <message>
        <source>Usage: velmora cameras &lt;command&gt; ...

  list [--json]                           the configured cameras
  discover [--seconds N] [--json]         the cameras announcing themselves on
                                          this network within N s (default 5)
  add-local &lt;id&gt; [&lt;ipv4&gt;] [&lt;password&gt;]    a camera on this network (port 9996)
  add-remote &lt;id&gt; &lt;server ipv4&gt; &lt;user&gt; [&lt;password&gt;] &lt;serial&gt;
                                          a camera behind a video server (port 1701)
  remove &lt;id&gt;                             forget a camera (its recordings stay)
  set &lt;id&gt; [&lt;name&gt; [&lt;value&gt;]]...          change a camera&apos;s address, password,
                                          alias, server, user or options
  test &lt;id&gt;                               log in, count the recordings, log out
  recordings &lt;id&gt; [--json]                what is on the card and on disk (a dry run)

&apos;velmora cameras &lt;command&gt; --help&apos; describes each command.
</source>
        <translation>用法：velmora cameras &lt;命令&gt; ...

  list [--json]                           已配置的摄像机
  discover [--seconds N] [--json]         N 秒内在本网络上广播自己的摄像机
                                          （默认 5）
  add-local &lt;id&gt; [&lt;ipv4&gt;] [&lt;password&gt;]    本网络上的摄像机（端口 9996）
  add-remote &lt;id&gt; &lt;server ipv4&gt; &lt;user&gt; [&lt;password&gt;] &lt;serial&gt;
                                          视频服务器后面的摄像机（端口 1701）
  remove &lt;id&gt;                             移除摄像机（其录像保留）
  set &lt;id&gt; [&lt;name&gt; [&lt;value&gt;]]...          更改摄像机的地址、密码、别名、
                                          服务器、用户或选项
  test &lt;id&gt;                               登录、统计录像数并退出登录
  recordings &lt;id&gt; [--json]                存储卡上和磁盘上有什么（演练）

“velmora cameras &lt;命令&gt; --help”介绍各个命令。
</translation>
    </message>
    <message>
        <source>Usage: velmora cameras set [--password-stdin] [--force] &lt;id&gt; [&lt;name&gt; [&lt;value&gt;]]...

Without names shows the camera&apos;s options. Each change is saved at once; a
running Velmora (service or window) takes it at once too and restarts the
camera if it was waiting, running or had failed, else uses it from the
camera&apos;s next run. The output says which.
  address &lt;ipv4 or host&gt;  a local camera&apos;s address; a host name is looked
                 up once, now, and its IPv4 address is kept
  password       a local camera&apos;s password (at most 15 bytes), asked for
                 without echo, or read from standard input (--password-stdin)
  alias &lt;text&gt;   the name shown for the camera (&apos;&apos; removes it)
  server &lt;ipv4 or host&gt;  a remote camera&apos;s video server
  user &lt;name&gt;    the server account&apos;s user name (at most 49 bytes)
  server-password  the account&apos;s password (at most 19 bytes), asked for
                 like password
  --force        accept an address another camera already uses
  delete-after-copy on|off  free the camera&apos;s memory card (default off): at
                 the end of a run that did not fail, the camera is asked to
                 delete each recording whose copy on disk is complete and
                 exactly as long as the camera lists it, one at a time. A
                 recording that is missing or short on disk is never deleted.
                 A camera that refuses (or does not answer within 5 s) keeps
                 the recording; the run reports every deletion and refusal.
                 Kept in $XDG_DATA_HOME/OV/data/VelmoraCameraOptions.txt.
Examples: velmora cameras set 12345 delete-after-copy on
          velmora cameras set 12345 address 192.168.1.40 password
</source>
        <translation>用法：velmora cameras set [--password-stdin] [--force] &lt;id&gt; [&lt;name&gt; [&lt;value&gt;]]...

不带名称时显示摄像机的选项。每项更改立即保存；正在运行的 Velmora（服务或
窗口）也立即采用：摄像机正在等待、正在同步或已失败时重新启动它，否则从它的
下一轮同步起使用。输出会说明是哪一种。
  address &lt;ipv4 或主机名&gt;  本地摄像机的地址；主机名现在查询一次，
                 保存查到的 IPv4 地址
  password       本地摄像机的密码（最多 15 字节），不回显地提示输入，
                 或从标准输入读取（--password-stdin）
  alias &lt;文字&gt;   摄像机显示的名称（&apos;&apos; 删除别名）
  server &lt;ipv4 或主机名&gt;  远程摄像机的视频服务器
  user &lt;名称&gt;    服务器账号的用户名（最多 49 字节）
  server-password  账号的密码（最多 19 字节），输入方式同 password
  --force        接受另一台摄像机已在使用的地址
  delete-after-copy on|off  释放摄像机的存储卡（默认 off）：一轮同步没有失败时，
                 在结束时逐个请摄像机删除那些磁盘上的副本已完整、且长度与
                 摄像机所列完全一致的录像。磁盘上缺失或不完整的录像绝不删除。
                 摄像机拒绝（或 5 秒内没有应答）时保留该录像；每次删除和拒绝
                 都会在本轮结果中报告。
                 保存在 $XDG_DATA_HOME/OV/data/VelmoraCameraOptions.txt。
示例：velmora cameras set 12345 delete-after-copy on
      velmora cameras set 12345 address 192.168.1.40 password
</translation>
    </message>
    <message>
        <source>the video server %1 did not answer within 10 s</source>
        <translation>视频服务器 %1 10 秒内没有应答</translation>
    </message>
    <message>
        <source>camera %1 not saved</source>
        <translation>摄像机 %1 未保存</translation>
    </message>
    <message>
        <source>Usage: velmora cameras test &lt;id&gt;

Logs in to a configured camera with its stored password (a remote camera
through its video server&apos;s relay), reports the result and the number of
recordings on its card, and logs out. Exit status 0 when the login worked,
1 otherwise.
</source>
        <translation>用法：velmora cameras test &lt;id&gt;

用保存的密码登录一台已配置的摄像机（远程摄像机经其视频服务器中转），
报告结果和存储卡上的录像数，然后退出登录。登录成功时退出状态为 0，否则为 1。
</translation>
    </message>
    <message>
        <source>Usage: velmora cameras add-local [--replace] [--force] [--password-stdin] [--check]
                                 &lt;id&gt; [&lt;ipv4&gt;] [&lt;password&gt;]

Adds a camera on the local network, reached directly on port 9996.
  &lt;id&gt;        the camera&apos;s id as it announces it: a 32-bit number, signed
              (-1) or unsigned (4294967295) spelling
  &lt;ipv4&gt;      its address, a.b.c.d (not 0.0.0.0, a broadcast or a multicast
              address), or a host name, looked up once and kept as its
              address; left out, the camera&apos;s own announcement on this
              network supplies it (listening up to 5 s)
  &lt;password&gt;  at most 15 bytes. Leave it out to be asked for it without echo,
              or give --password-stdin to read it from standard input; a
              password on the command line is visible to other users (ps)
              and kept in your shell&apos;s history.
  --replace   replace the camera that already has this id
  --force     accept an address another camera already uses
  --check     log in to the camera first and save it only when that works
              (exit status 1 with the reason otherwise)
  --delete-after-copy  free the camera&apos;s card: see &apos;velmora cameras set --help&apos;
</source>
        <translation>用法：velmora cameras add-local [--replace] [--force] [--password-stdin] [--check]
                                 &lt;id&gt; [&lt;ipv4&gt;] [&lt;password&gt;]

添加本地网络上的摄像机，直接经端口 9996 连接。
  &lt;id&gt;        摄像机广播的编号：32 位数字，可写成有符号（-1）或
              无符号（4294967295）形式
  &lt;ipv4&gt;      它的地址 a.b.c.d（不能是 0.0.0.0、广播或组播地址），
              或主机名（只查询一次，保存查到的地址）；
              省略时由摄像机在本网络上的广播提供（最多监听 5 秒）
  &lt;password&gt;  最多 15 字节。省略时会不回显地提示输入，或用
              --password-stdin 从标准输入读取；写在命令行上的密码
              其他用户可见（ps），并会留在 shell 的历史记录中。
  --replace   替换已有此编号的摄像机
  --force     接受另一台摄像机已在使用的地址
  --check     先登录摄像机，成功后才保存（否则退出状态为 1 并说明原因）
  --delete-after-copy  释放摄像机的存储卡：见“velmora cameras set --help”
</translation>
    </message>
    <message>
        <source>Usage: velmora cameras add-remote [--replace] [--force] [--password-stdin] [--check]
                                  &lt;id&gt; &lt;server ipv4&gt; &lt;user&gt; [&lt;password&gt;] &lt;serial&gt;

Adds a camera reached through a video server (port 1701).
  &lt;id&gt;           the camera&apos;s id in the server account (signed or unsigned)
  &lt;server ipv4&gt;  the server&apos;s address, a.b.c.d, or a host name (looked up
                 once and kept as its address)
  &lt;user&gt;         the account&apos;s user name, at most 49 bytes
  &lt;password&gt;     the account&apos;s password, at most 19 bytes; leave it out to be
                 asked without echo, or give --password-stdin
  &lt;serial&gt;       serial number of the account&apos;s main camera, at most 31 bytes
  --replace      replace the camera that already has this id
  --force        accept a camera id with the same serial and server as another
  --check        log in to the server and, through its relay, to the camera
                 first; save it only when that works (exit status 1 otherwise)
  --delete-after-copy  free the camera&apos;s card: see &apos;velmora cameras set --help&apos;
</source>
        <translation>用法：velmora cameras add-remote [--replace] [--force] [--password-stdin] [--check]
                                  &lt;id&gt; &lt;server ipv4&gt; &lt;user&gt; [&lt;password&gt;] &lt;serial&gt;

添加经视频服务器（端口 1701）连接的摄像机。
  &lt;id&gt;           摄像机在服务器账号中的编号（有符号或无符号）
  &lt;server ipv4&gt;  服务器地址 a.b.c.d，或主机名（只查询一次，保存查到的地址）
  &lt;user&gt;         账号的用户名，最多 49 字节
  &lt;password&gt;     账号的密码，最多 19 字节；省略时会不回显地提示输入，
                 或使用 --password-stdin
  &lt;serial&gt;       账号主摄像机的序列号，最多 31 字节
  --replace      替换已有此编号的摄像机
  --force        接受与另一台摄像机序列号和服务器相同的摄像机编号
  --check        先登录服务器并经其中转登录摄像机，成功后才保存（否则退出状态为 1）
  --delete-after-copy  释放摄像机的存储卡：见“velmora cameras set --help”
</translation>
    </message>
    <message>
        <source>Usage: velmora cameras recordings &lt;id&gt; [--json]

A dry run: lists the recordings on a configured camera&apos;s card (a remote
camera through its video server&apos;s relay): name, kind, size, and whether
each is on disk, partial (with the bytes present) or missing; then the
total still to download. Downloads nothing.
  --json  one {&quot;type&quot;:&quot;recording&quot;, &quot;name&quot;, &quot;kind&quot;, &quot;size&quot;, &quot;state&quot;
          (on-disk, partial, missing, unsafe-name), &quot;bytes_present&quot;} per
          recording, then {&quot;type&quot;:&quot;summary&quot;, &quot;recordings&quot;,
          &quot;to_download&quot;, &quot;bytes_to_download&quot;, &quot;folder&quot;}.
</source>
        <translation>用法：velmora cameras recordings &lt;id&gt; [--json]

演练：列出一台已配置的摄像机（远程摄像机经由其视频服务器的中继）存储卡
上的录像：名称、类型、大小，以及每个录像是已在磁盘上、部分下载（及已有的
字节数）还是缺失；然后是还需下载的总量。不下载任何内容。
  --json  每个录像一行 {&quot;type&quot;:&quot;recording&quot;, &quot;name&quot;, &quot;kind&quot;, &quot;size&quot;, &quot;state&quot;
          (on-disk, partial, missing, unsafe-name), &quot;bytes_present&quot;}，
          然后一行 {&quot;type&quot;:&quot;summary&quot;, &quot;recordings&quot;,
          &quot;to_download&quot;, &quot;bytes_to_download&quot;, &quot;folder&quot;}。
</translation>
    </message>
    <message>
        <source>NAME</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>SIZE</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>STATE</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>%1 ms between 128 KiB chunk requests</source>
        <translation>%1 毫秒（两次 128 KiB 分块请求之间）</translation>
    </message>
    <message>
        <source>at most %1 bytes/s (%2) per camera</source>
        <translation>每台摄像机最多 %1 字节/秒（%2）</translation>
    </message>
    <message>
        <source>cannot create folder %1: %2</source>
        <translation>无法创建文件夹 %1：%2</translation>
    </message>
    <message>
        <source>cannot create a file in folder %1: %2</source>
        <translation>无法在文件夹 %1 中创建文件：%2</translation>
    </message>
    <message>
        <source>cannot open %1 for writing: %2</source>
        <translation>无法打开 %1 进行写入：%2</translation>
    </message>
    <message>
        <source>cannot change the length of %1: %2</source>
        <translation>无法更改 %1 的长度：%2</translation>
    </message>
    <message>
        <source>cannot rename %1 to %2: %3</source>
        <translation>无法将 %1 重命名为 %2：%3</translation>
    </message>
    <message>
        <source>warning: the download folder %1 cannot take recordings: %2</source>
        <translation>警告：下载路径 %1 无法存放录像：%2</translation>
    </message>
    <message>
        <source>notifications</source>
        <translation>桌面通知</translation>
    </message>
    <message>
        <source>notify-command</source>
        <translation>通知命令</translation>
    </message>
    <message>
        <source>notify-command takes one line of text</source>
        <translation>notify-command 只能是一行文字</translation>
    </message>
    <message>
        <source>notify-command needs a program to run</source>
        <translation>notify-command 需要一个要运行的程序</translation>
    </message>
    <message>
        <source>notify-command: &apos;%1&apos; is not a program that can be run</source>
        <translation>notify-command：“%1”不是可运行的程序</translation>
    </message>
    <message>
        <source>notifications takes on or off, not &apos;%1&apos;</source>
        <translation>notifications 取值为 on 或 off，而不是“%1”</translation>
    </message>
    <message>
        <source>unknown setting &apos;%1&apos; (interval, concurrency, pacing, rate, min-free, keep-days, download-folder, notifications, notify-command)</source>
        <translation>未知设置“%1”（interval、concurrency、pacing、rate、min-free、keep-days、download-folder、notifications、notify-command）</translation>
    </message>
    <message>
        <source>the notify command %1 did not end within %2 s; stopped</source>
        <translation>通知命令 %1 未在 %2 秒内结束，已终止</translation>
    </message>
    <message>
        <source>cannot start the notify command %1: %2</source>
        <translation>无法启动通知命令 %1：%2</translation>
    </message>
    <message>
        <source>the notify command %1 ended abnormally</source>
        <translation>通知命令 %1 异常结束</translation>
    </message>
    <message>
        <source>the notify command %1 ended with status %2</source>
        <translation>通知命令 %1 以状态 %2 结束</translation>
    </message>
    <message>
        <source>Usage: velmora settings [&lt;name&gt; &lt;value&gt;]...

Without arguments shows the settings and where the download folder comes
from. Several settings can be changed at once:
  interval &lt;duration&gt;   automatic synchronisation: off, 10m, 30m, 1h, 2h, 4h,
                        12h, 1d or 1w (or the codes 0 to 8 in that order)
  concurrency &lt;n&gt;       cameras synchronised at once, 1 to 5
  rate &lt;bytes/s&gt;|off    speed limit per camera: bytes per second, or K, M, G
                        (binary units: 2M = 2097152), from 2185 up; off for
                        none. It sets the pacing that keeps a camera at or
                        below it (chunks are 128 KiB). The default pacing,
                        500 ms, is at most 262144 bytes/s (256 KiB/s) per
                        camera: a 30 MB minute of video takes 2 minutes
  pacing &lt;ms&gt;           the exact least wait between chunk requests of a
                        download, 0 to 60000 ms (default 500; 0 asks for the
                        next chunk as soon as one ends); &apos;pacing&apos; alone shows it
  min-free &lt;size&gt;       free space to keep on the download folder&apos;s disk
                        (default 1G): before every chunk a camera checks it,
                        and below it the run ends as &quot;disk full&quot; with the
                        partial file kept to resume; cameras are not retried
                        or started while it lasts, the next automatic or
                        requested run looks again. Bytes, or K, M, G, T
                        (binary units); 0 switches the check off
  keep-days &lt;n&gt;         after a camera&apos;s successful run, remove its finished
                        recordings whose files are older than n days (by
                        modification time); partial files and files Velmora
                        did not write are never touched. 0 (the default)
                        keeps everything for ever
  download-folder &lt;path&gt;|default
                        where recordings go: an absolute folder, created when
                        missing, that must be writable (checked now and before
                        every run). Runs under way finish where they started;
                        recordings already downloaded are never moved.
                        &apos;default&apos; goes back to the folder the camera-manager
                        program sets in its settings
                        ($XDG_DATA_HOME/OV/Settings.xml), else OV/RecordDownload
  notifications on|off  in the window, a desktop notification when a camera&apos;s
                        run fails or stops on a full disk, once per camera
                        and run, not per retry (default on)
  notify-command &apos;&lt;program&gt; [&lt;arg&gt;]...&apos;|off
                        a program run at the same moments, in any mode, with
                        the camera id, the outcome word, the reason and the
                        camera&apos;s alias (or address) added as arguments and in
                        VELMORA_CAMERA, VELMORA_OUTCOME, VELMORA_REASON and
                        VELMORA_CAMERA_NAME. Never run through a shell: words
                        are split at blanks, &quot;double quotes&quot; keep blanks in a
                        word. Stopped after 30 s; a failure is logged, never
                        fatal. Default off
Example: velmora settings interval 1h concurrency 2
         velmora settings min-free 2G keep-days 90
         velmora settings rate 2M download-folder /srv/cameras
         velmora settings notify-command &apos;/usr/local/bin/page-me --urgent&apos;
</source>
        <translation>用法：velmora settings [&lt;名称&gt; &lt;值&gt;]...

不带参数时显示设置以及下载文件夹的来源。可以一次更改多项设置：
  interval &lt;时长&gt;       自动同步：off、10m、30m、1h、2h、4h、12h、1d 或 1w
                        （或按此顺序的代码 0 到 8）
  concurrency &lt;n&gt;       同时同步的摄像机数，1 到 5
  rate &lt;字节/秒&gt;|off    每台摄像机的速度上限：每秒字节数，或带 K、M、G
                        （二进制单位：2M = 2097152），至少 2185；off 表示
                        不限速。它设置使摄像机不超过此速度的请求间隔
                        （分块为 128 KiB）。默认间隔 500 毫秒即每台摄像机
                        最多 262144 字节/秒（256 KiB/秒）：一分钟 30 MB 的
                        视频需要 2 分钟
  pacing &lt;ms&gt;           下载时两次分块请求之间的精确最短等待，0 到 60000
                        毫秒（默认 500；0 表示一块结束立即请求下一块）；
                        只写 pacing 则显示当前值
  min-free &lt;大小&gt;       下载文件夹所在磁盘上要保留的空闲空间（默认 1G）：
                        摄像机在每次分块前检查，低于它时本轮以“磁盘已满”
                        结束，部分文件保留以便续传；其间不重试也不启动
                        摄像机，下一次自动或手动同步时再检查。单位为字节，
                        或 K、M、G、T（二进制单位）；0 关闭检查
  keep-days &lt;n&gt;         摄像机一轮同步成功后，删除其文件早于 n 天（按修改
                        时间）的已完成录像；部分文件和不是 Velmora 写入的
                        文件绝不删除。0（默认）表示永久保留
  download-folder &lt;路径&gt;|default
                        录像存放的位置：绝对路径的文件夹，不存在时创建，
                        必须可写（设置时和每轮同步前检查）。进行中的同步
                        在原文件夹完成；已下载的录像绝不移动。default
                        恢复为摄像机管理程序在其设置中指定的文件夹
                        （$XDG_DATA_HOME/OV/Settings.xml），没有时为
                        OV/RecordDownload
  notifications on|off  窗口模式下，摄像机一轮同步失败或因磁盘已满而停止时
                        显示桌面通知，每台摄像机每轮一次，重试不再通知
                        （默认 on）
  notify-command &apos;&lt;程序&gt; [&lt;参数&gt;]...&apos;|off
                        在同样的时刻运行的程序（任何模式），附加摄像机编号、
                        结果词、原因和摄像机别名（或地址）作为参数，并放在
                        VELMORA_CAMERA、VELMORA_OUTCOME、VELMORA_REASON 和
                        VELMORA_CAMERA_NAME 中。从不经由 shell 运行：按空白
                        分词，&quot;双引号&quot;内的空白保留在词中。30 秒后终止；
                        失败只记录，不影响运行。默认 off
示例：velmora settings interval 1h concurrency 2
      velmora settings min-free 2G keep-days 90
      velmora settings rate 2M download-folder /srv/cameras
      velmora settings notify-command &apos;/usr/local/bin/page-me --urgent&apos;
</translation>
    </message>
    <message>
        <source>the running Velmora ended (or dropped the connection) before the run finished; &apos;velmora status&apos; shows how far each camera got</source>
        <translation>正在运行的 Velmora 在本次同步结束前退出（或断开了连接）；“velmora status”显示各摄像机的进度</translation>
    </message>
    <message>
        <source>Usage: velmora &lt;mode or command&gt; [options]

Keeps a copy of every recording on your network cameras&apos; memory cards.

Modes:
  (none)                           open the desktop window (needs a display)
  --verbose                        the window, with the camera library&apos;s log lines
                                   on standard error
  --headless [--now] [--verbose]   run as a service (velmora --headless --help)
  --headless --once [--json] [--verbose]
                                   synchronise every camera once, then exit
  --demo [--cameras N] [--keep] [--console]
                                   try it on simulated cameras (velmora --demo --help)

Commands (each has --help):
  cameras list|discover|add-local|add-remote|remove|set|test|recordings
                                             show, find, edit or test the cameras
  settings [NAME VALUE]...                   show or change the settings: the
                                             download folder, the interval, the
                                             speed (by default at most 262144
                                             bytes/s, 256 KiB/s, per camera)
  sync [--wait]                              start a run in the running Velmora
                                             (--wait: until it ends, with outcomes)
  status [--json] [--check [--max-age D]]    what each camera does now, when it last
                                             synchronised; --check for monitoring

  -h, --help      this help
  --version       the program&apos;s and the camera library&apos;s versions

While a service runs, reading commands work as always and changes go to the
service, which applies and saves them at once.
Files live in $XDG_DATA_HOME/OV (default ~/.local/share/OV).
--json prints JSON Lines on standard output: one object per line, each with
a &quot;type&quot;; keys and outcome words never change with the language.
Exit status: 0 success, 1 failure (a camera did not complete, a change could
not be saved), 2 bad command line, 3 refused because another Velmora holds
the profile, 130 interrupted (Ctrl+C).
</source>
        <translation>用法：velmora &lt;模式或命令&gt; [选项]

为网络摄像机存储卡上的每个录像保留一份副本。

模式：
  （无）                           打开桌面窗口（需要显示器）
  --verbose                        打开桌面窗口，并在标准错误上显示摄像机库的日志行
  --headless [--now] [--verbose]   作为服务运行（velmora --headless --help）
  --headless --once [--json] [--verbose]
                                   将所有摄像机同步一次后退出
  --demo [--cameras N] [--keep] [--console]
                                   在模拟摄像机上试用（velmora --demo --help）

命令（每个都有 --help）：
  cameras list|discover|add-local|add-remote|remove|set|test|recordings
                                             查看、查找、编辑或测试摄像机
  settings [名称 值]...                      查看或更改设置：下载文件夹、同步
                                             间隔、速度（默认每台摄像机最多
                                             262144 字节/秒，即 256 KiB/秒）
  sync [--wait]                              让正在运行的 Velmora 开始一次同步
                                             （--wait：等到结束并给出结果）
  status [--json] [--check [--max-age D]]    各摄像机当前的状态和上次同步的时间；
                                             --check 用于监控

  -h, --help      本帮助
  --version       程序和摄像机库的版本

服务运行时，读取类命令照常可用，更改会交给服务，由它立即应用并保存。
--json 在标准输出上输出 JSON Lines：每行一个对象，都带有 &quot;type&quot;；
键名和结果词不随语言变化。
文件位于 $XDG_DATA_HOME/OV（默认 ~/.local/share/OV）。
退出状态：0 成功，1 失败（有摄像机未完成，或更改无法保存），2 命令行有误，
3 因另一个 Velmora 占用配置而拒绝，130 被中断（Ctrl+C）。
</translation>
    </message>
    <message>
        <source>Usage: velmora sync [--wait]

Asks the running Velmora (service or window) to synchronise every camera
now. Without a running Velmora, use &apos;velmora --headless --once&apos;.
  --wait  wait until the run has ended for every camera, then print one
          line per camera: its outcome, and for a wrong password the
          command that fixes it. Exit status 0 when every camera
          completed, 1 when any failed or Velmora ended before the run.
</source>
        <translation>用法：velmora sync [--wait]

请正在运行的 Velmora（服务或窗口）立即同步所有摄像机。没有正在运行的
Velmora 时，请使用“velmora --headless --once”。
  --wait  等到每台摄像机的本次同步都结束，再为每台摄像机输出一行：
          同步结果；密码错误时还给出修正它的命令。全部摄像机完成时
          退出状态为 0，任一失败或 Velmora 在同步结束前退出时为 1。
</translation>
    </message>
    <message>
        <source>Usage: velmora --headless [--now] [--verbose]
       velmora --headless --once [--json] [--verbose]

Runs the synchroniser without a window. Every configured camera is
synchronised at the automatic interval of the settings (default every
10 minutes), counted from the start of the last automatic run in the
history: a run that fell due while Velmora was not running or the machine
slept starts within a minute; with no automatic run on record the first
waits one interval. Cameras that fail are retried every 60 s. At most the
concurrency setting&apos;s number of cameras (1-5) download at once.
  --now      also start every camera at once instead of waiting for the
             first automatic run
  --once     synchronise every camera now and exit when each has finished;
             one outcome line per camera and a total line; exit status 0
             only when every camera completed
  --json     with --once: JSON Lines on standard output, everything else on
             standard error. One object per camera as its run ends, with
             the keys
%1             then one {&quot;type&quot;:&quot;summary&quot;, &quot;cameras&quot;, &quot;ok&quot;, &quot;failed&quot;,
             &quot;fetched&quot;, &quot;resumed&quot;, &quot;skipped&quot;, &quot;bytes&quot;, &quot;card_deleted&quot;,
             &quot;card_kept&quot;, &quot;removed_files&quot;, &quot;removed_bytes&quot;, &quot;seconds&quot;,
             &quot;exit&quot;}. Outcomes:
%2             New keys and outcomes may be added; existing ones keep their
             meaning.
  --verbose  show the camera library&apos;s log lines on standard error
The log has one dated line per stored recording and per camera outcome;
starts and progress only on a terminal. A camera that keeps failing the
same way is logged in full once, then at most once an hour (&quot;still failing
since ..., N attempts&quot;) while it is retried every 60 s; a wrong password
is not retried, and its line names the command that fixes it.
Ctrl+C, SIGTERM or SIGHUP stops every camera and exits (status 0; 130 with
--once).
Every camera&apos;s runs are kept in the history log (see &apos;velmora status&apos;).
While it runs, &apos;velmora sync&apos; starts a run and &apos;velmora cameras&apos; and
&apos;velmora settings&apos; changes are applied by it at once.
</source>
        <translation>Usage: velmora --headless [--now] [--verbose]
       velmora --headless --once [--json] [--verbose]

Runs the synchroniser without a window. Every configured camera is
synchronised at the automatic interval of the settings (default every
10 minutes), counted from the start of the last automatic run in the
history: a run that fell due while Velmora was not running or the machine
slept starts within a minute; with no automatic run on record the first
waits one interval. Cameras that fail are retried every 60 s. At most the
concurrency setting&apos;s number of cameras (1-5) download at once.
  --now      also start every camera at once instead of waiting for the
             first automatic run
  --once     synchronise every camera now and exit when each has finished;
             one outcome line per camera and a total line; exit status 0
             only when every camera completed
  --json     with --once: JSON Lines on standard output, everything else on
             standard error. One object per camera as its run ends, with
             the keys
%1             then one {&quot;type&quot;:&quot;summary&quot;, &quot;cameras&quot;, &quot;ok&quot;, &quot;failed&quot;,
             &quot;fetched&quot;, &quot;resumed&quot;, &quot;skipped&quot;, &quot;bytes&quot;, &quot;card_deleted&quot;,
             &quot;card_kept&quot;, &quot;removed_files&quot;, &quot;removed_bytes&quot;, &quot;seconds&quot;,
             &quot;exit&quot;}. Outcomes:
%2             New keys and outcomes may be added; existing ones keep their
             meaning.
  --verbose  show the camera library&apos;s log lines on standard error
The log has one dated line per stored recording and per camera outcome;
starts and progress only on a terminal. A camera that keeps failing the
same way is logged in full once, then at most once an hour (&quot;still failing
since ..., N attempts&quot;) while it is retried every 60 s; a wrong password
is not retried, and its line names the command that fixes it.
Ctrl+C, SIGTERM or SIGHUP stops every camera and exits (status 0; 130 with
--once).
Every camera&apos;s runs are kept in the history log (see &apos;velmora status&apos;).
While it runs, &apos;velmora sync&apos; starts a run and &apos;velmora cameras&apos; and
&apos;velmora settings&apos; changes are applied by it at once.
</translation>
    </message>
    <message>
        <source>Usage: velmora status [--json] [--check [--max-age DURATION]]

Shows for every configured camera when it last completed a run (local time),
how its last run ended and why, and the bytes its runs fetched in the last
7 days, from the history log $XDG_DATA_HOME/OV/data/SyncHistory.jsonl
(every run of the window and of --headless, newest 512 KiB to 1 MiB kept).
While Velmora runs (service or window) it answers too, and a line &quot;now:&quot;
follows each camera it is working on: waiting for a free slot, connecting,
downloading a file (percent, bytes, file n of m, speed, time left for the
run), or failed with the time of the next retry.
  --check        exit status 1 when a camera&apos;s last run failed (a stopped
                 run does not count), with a &quot;Check failed&quot; line each
  --max-age D    with --check, also when a camera&apos;s last completed run is
                 older than D or it never completed one: a whole number and
                 s, m, h, d or w (90m, 36h, 2d)
  --json  one JSON object per line and camera: {&quot;type&quot;:&quot;camera&quot;, &quot;id&quot;,
          &quot;kind&quot;, &quot;address&quot;/&quot;server&quot;, &quot;port&quot;, &quot;alias&quot;, &quot;last_completed&quot;
          (&quot;2026-12-09T03:10:00+01:00&quot; or null), &quot;last_outcome&quot; (an outcome
          word of --headless --once --json, or null), &quot;last_error&quot;,
          &quot;last_ended&quot;, &quot;last_run&quot; (the run&apos;s full record, or null),
          &quot;bytes_7d&quot;, &quot;live&quot;}. &quot;live&quot; is null when no Velmora runs, else
          what it knows now, with the keys
%1          (&quot;file_bytes&quot;, &quot;run_bytes&quot; and &quot;speed&quot; in bytes and bytes/s,
          &quot;eta&quot; in seconds or -1, &quot;next_retry&quot; and &quot;failing_since&quot; in
          seconds since 1970 or 0). States:
%2          With --check a last {&quot;type&quot;:&quot;check&quot;, &quot;ok&quot;, &quot;max_age&quot;,
          &quot;problems&quot;: [{&quot;id&quot;, &quot;problem&quot; (last-run-failed,
          never-completed, too-old), &quot;text&quot;}]}.
</source>
        <translation>Usage: velmora status [--json] [--check [--max-age DURATION]]

Shows for every configured camera when it last completed a run (local time),
how its last run ended and why, and the bytes its runs fetched in the last
7 days, from the history log $XDG_DATA_HOME/OV/data/SyncHistory.jsonl
(every run of the window and of --headless, newest 512 KiB to 1 MiB kept).
While Velmora runs (service or window) it answers too, and a line &quot;now:&quot;
follows each camera it is working on: waiting for a free slot, connecting,
downloading a file (percent, bytes, file n of m, speed, time left for the
run), or failed with the time of the next retry.
  --check        exit status 1 when a camera&apos;s last run failed (a stopped
                 run does not count), with a &quot;Check failed&quot; line each
  --max-age D    with --check, also when a camera&apos;s last completed run is
                 older than D or it never completed one: a whole number and
                 s, m, h, d or w (90m, 36h, 2d)
  --json  one JSON object per line and camera: {&quot;type&quot;:&quot;camera&quot;, &quot;id&quot;,
          &quot;kind&quot;, &quot;address&quot;/&quot;server&quot;, &quot;port&quot;, &quot;alias&quot;, &quot;last_completed&quot;
          (&quot;2026-12-09T03:10:00+01:00&quot; or null), &quot;last_outcome&quot; (an outcome
          word of --headless --once --json, or null), &quot;last_error&quot;,
          &quot;last_ended&quot;, &quot;last_run&quot; (the run&apos;s full record, or null),
          &quot;bytes_7d&quot;, &quot;live&quot;}. &quot;live&quot; is null when no Velmora runs, else
          what it knows now, with the keys
%1          (&quot;file_bytes&quot;, &quot;run_bytes&quot; and &quot;speed&quot; in bytes and bytes/s,
          &quot;eta&quot; in seconds or -1, &quot;next_retry&quot; and &quot;failing_since&quot; in
          seconds since 1970 or 0). States:
%2          With --check a last {&quot;type&quot;:&quot;check&quot;, &quot;ok&quot;, &quot;max_age&quot;,
          &quot;problems&quot;: [{&quot;id&quot;, &quot;problem&quot; (last-run-failed,
          never-completed, too-old), &quot;text&quot;}]}.
</translation>
    </message>
    <message>
        <source>not retried until it is fixed: velmora cameras set %1 password</source>
        <translation>修正之前不再重试：velmora cameras set %1 password</translation>
    </message>
    <message>
        <source>if the account&apos;s password changed: velmora cameras set %1 server-password</source>
        <translation>如果账号密码已更改：velmora cameras set %1 server-password</translation>
    </message>
    <message>
        <source>up to date</source>
        <translation>已是最新</translation>
    </message>
    <message numerus="yes">
        <source>complete, %n new recording(s), %1</source>
        <translation>
            <numerusform>同步完成，%n 个新录像，%1</numerusform>
        </translation>
    </message>
    <message>
        <source>first run under way</source>
        <translation>首次同步进行中</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 分 %2 秒</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 小时 %2 分</translation>
    </message>
    <message>
        <source>waiting for a free slot</source>
        <translation>等待空闲名额</translation>
    </message>
    <message>
        <source>connecting</source>
        <translation>正在连接</translation>
    </message>
    <message>
        <source>reading the camera&apos;s recordings</source>
        <translation>正在读取摄像机的录像列表</translation>
    </message>
    <message>
        <source>downloading %1, %2% (%3 of %4)</source>
        <translation>正在下载 %1，%2%（%3/%4）</translation>
    </message>
    <message>
        <source>file %1 of %2</source>
        <translation>第 %1 个，共 %2 个</translation>
    </message>
    <message>
        <source>/s</source>
        <translation>/秒</translation>
    </message>
    <message>
        <source>about %1 left</source>
        <translation>约剩 %1</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>失败：%1</translation>
    </message>
    <message>
        <source>; next retry at %1 (in %2)</source>
        <translation>；下次重试于 %1（%2后）</translation>
    </message>
    <message numerus="yes">
        <source>; failing since %1, %n attempt(s)</source>
        <translation>
            <numerusform>；自 %1 起一直失败，已尝试 %n 次</numerusform>
        </translation>
    </message>
    <message>
        <source>now: %1</source>
        <translation>当前：%1</translation>
    </message>
    <message>
        <source>its last run failed: %1</source>
        <translation>上次同步失败：%1</translation>
    </message>
    <message>
        <source>it never completed a run</source>
        <translation>从未完成过同步</translation>
    </message>
    <message>
        <source>its last completed run is %1 old</source>
        <translation>上次完成的同步已过去 %1</translation>
    </message>
    <message>
        <source>--max-age takes a duration such as 90m, 36h or 2d</source>
        <translation>--max-age 需要一个时长，例如 90m、36h 或 2d</translation>
    </message>
    <message>
        <source>No Velmora is running; this is the history.</source>
        <translation>没有正在运行的 Velmora；以上为历史记录。</translation>
    </message>
    <message>
        <source>Check: every camera is fine.</source>
        <translation>检查：所有摄像机正常。</translation>
    </message>
    <message>
        <source>Check failed: %1: %2</source>
        <translation>检查未通过：%1：%2</translation>
    </message>
    <message numerus="yes">
        <source>still failing since %1, %n attempt(s): %2</source>
        <translation>
            <numerusform>自 %1 起仍然失败，已尝试 %n 次：%2</numerusform>
        </translation>
    </message>
    <message>
        <source>resumed at %1</source>
        <translation>从 %1 处续传</translation>
    </message>
    <message>
        <source>stored %1 (%2)</source>
        <translation>已保存 %1（%2）</translation>
    </message>
    <message>
        <source>--web needs [ADDRESS:]PORT or off</source>
        <translation>--web 需要 [地址:]端口 或 off</translation>
    </message>
    <message>
        <source>--web belongs to the service, not to --once</source>
        <translation>--web 属于服务模式，不能与 --once 一起使用</translation>
    </message>
    <message>
        <source>the port must be a number from 0 to 65535, not &apos;%1&apos;</source>
        <translation>端口应为 0 到 65535 之间的数字，而不是“%1”</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not an IP address</source>
        <translation>“%1”不是 IP 地址</translation>
    </message>
    <message>
        <source>the web page would listen on %1, which other machines can reach, and no web password is set; set one with &apos;velmora settings web-password&apos;, or listen on 127.0.0.1 and reach it through an SSH tunnel or a reverse proxy</source>
        <translation>网页将监听 %1，其他机器可以访问该地址，但尚未设置网页密码；请用“velmora settings web-password”设置密码，或者监听 127.0.0.1 并通过 SSH 隧道或反向代理访问</translation>
    </message>
    <message>
        <source>warning: the web page is not served: %1</source>
        <translation>警告：网页未启动：%1</translation>
    </message>
    <message>
        <source>Web page at %1</source>
        <translation>网页地址：%1</translation>
    </message>
    <message>
        <source>Web page at %1 (sign in with the web password)</source>
        <translation>网页地址：%1（用网页密码登录）</translation>
    </message>
    <message>
        <source>web page (%1): sync all cameras now</source>
        <translation>网页（%1）：立即同步全部摄像机</translation>
    </message>
    <message>
        <source>web page (%1): start camera %2</source>
        <translation>网页（%1）：开始摄像机 %2</translation>
    </message>
    <message>
        <source>web page (%1): stop camera %2</source>
        <translation>网页（%1）：停止摄像机 %2</translation>
    </message>
    <message>
        <source>web page: a wrong password from %1</source>
        <translation>网页：来自 %1 的密码错误</translation>
    </message>
    <message>
        <source>warning: %1</source>
        <translation>警告：%1</translation>
    </message>
    <message>
        <source>no address before &apos;:&apos;</source>
        <translation>“:”前面没有地址</translation>
    </message>
    <message>
        <source>
The web page (off unless asked for):
  --web [ADDRESS:]PORT  serve the cameras&apos; page, /api/ and /metrics there
                        (127.0.0.1 without an address; &apos;off&apos; = not at all);
                        overrides &apos;velmora settings web&apos;. Any address but
                        loopback needs &apos;velmora settings web-password&apos;.
</source>
        <translation>
网页（默认关闭）：
  --web [地址:]端口     在该处提供摄像机网页、/api/ 和 /metrics
                        （不写地址时为 127.0.0.1；“off”表示不提供）；
                        优先于“velmora settings web”。除回环地址外，
                        其他地址都需要先设置“velmora settings web-password”。
</translation>
    </message>
    <message>
        <source>
The service&apos;s web page (used from its next start):
  web [ADDRESS:]PORT|off        where &apos;velmora --headless&apos; serves it
  web-password [--password-stdin|off]
                                its password, asked for without echo; stored
                                only as a salted hash
</source>
        <translation>
服务的网页（从下次启动起生效）：
  web [地址:]端口|off           “velmora --headless”提供网页的位置
  web-password [--password-stdin|off]
                                网页密码，输入时不回显；只保存加盐的哈希值
</translation>
    </message>
    <message>
        <source>not set</source>
        <translation>未设置</translation>
    </message>
    <message>
        <source>set</source>
        <translation>已设置</translation>
    </message>
    <message>
        <source>&apos;web&apos; takes one value: [ADDRESS:]PORT or off</source>
        <translation>“web”只接受一个值：[地址:]端口 或 off</translation>
    </message>
    <message>
        <source>used from the next start of &apos;velmora --headless&apos;</source>
        <translation>从下次启动“velmora --headless”起生效</translation>
    </message>
    <message>
        <source>web-password takes --password-stdin or off</source>
        <translation>web-password 只接受 --password-stdin 或 off</translation>
    </message>
    <message>
        <source>Password of the web page: </source>
        <translation>网页密码：</translation>
    </message>
    <message>
        <source>the web password must not be empty</source>
        <translation>网页密码不能为空</translation>
    </message>
    <message>
        <source>the system gave no random bytes for the salt</source>
        <translation>系统没有提供生成盐值所需的随机字节</translation>
    </message>
</context>
<context>
    <name>Web</name>
    <message>
        <source>%1 bytes</source>
        <translation>%1 字节</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 分 %2 秒</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 小时 %2 分</translation>
    </message>
    <message>
        <source>%1 via %2</source>
        <translation>%1（经 %2）</translation>
    </message>
    <message>
        <source>camera %1</source>
        <translation>摄像机 %1</translation>
    </message>
    <message>
        <source>no run yet</source>
        <translation>尚未运行</translation>
    </message>
    <message>
        <source>never</source>
        <translation>从未</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>摄像机</translation>
    </message>
    <message>
        <source>Address or serial</source>
        <translation>地址或序列号</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Current file</source>
        <translation>当前文件</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>速度</translation>
    </message>
    <message>
        <source>Time left</source>
        <translation>剩余时间</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>Last success</source>
        <translation>上次成功</translation>
    </message>
    <message>
        <source>Last outcome</source>
        <translation>上次结果</translation>
    </message>
    <message>
        <source>Sync all now</source>
        <translation>立即同步全部</translation>
    </message>
    <message>
        <source>Sign out</source>
        <translation>退出登录</translation>
    </message>
    <message>
        <source>No cameras configured.</source>
        <translation>没有配置摄像机。</translation>
    </message>
    <message>
        <source>All cameras</source>
        <translation>全部摄像机</translation>
    </message>
    <message>
        <source>Runs of the last 30 days</source>
        <translation>最近 30 天的运行</translation>
    </message>
    <message>
        <source>No runs in the last 30 days.</source>
        <translation>最近 30 天没有运行。</translation>
    </message>
    <message>
        <source>Ended</source>
        <translation>结束时间</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>字节数</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>用时</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>原因</translation>
    </message>
    <message>
        <source>Sign in - Velmora</source>
        <translation>登录 - Velmora</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>Sign in</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>返回</translation>
    </message>
    <message>
        <source>This page is reached by its IP address.</source>
        <translation>请通过 IP 地址访问本页面。</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>未找到</translation>
    </message>
    <message>
        <source>There is no such page or camera.</source>
        <translation>没有这个页面或摄像机。</translation>
    </message>
    <message>
        <source>Refused: the request carries no valid token of this session.</source>
        <translation>已拒绝：请求没有带本会话的有效令牌。</translation>
    </message>
    <message>
        <source>Too many attempts: try again in %1 s.</source>
        <translation>尝试次数过多：请在 %1 秒后重试。</translation>
    </message>
    <message>
        <source>Wrong password.</source>
        <translation>密码错误。</translation>
    </message>
    <message>
        <source>off</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>every 10 minutes</source>
        <translation>每 10 分钟</translation>
    </message>
    <message>
        <source>every 30 minutes</source>
        <translation>每 30 分钟</translation>
    </message>
    <message>
        <source>every hour</source>
        <translation>每小时</translation>
    </message>
    <message>
        <source>every 2 hours</source>
        <translation>每 2 小时</translation>
    </message>
    <message>
        <source>every 4 hours</source>
        <translation>每 4 小时</translation>
    </message>
    <message>
        <source>every 12 hours</source>
        <translation>每 12 小时</translation>
    </message>
    <message>
        <source>every day</source>
        <translation>每天</translation>
    </message>
    <message>
        <source>every week</source>
        <translation>每周</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Automatic synchronisation</source>
        <translation>自动同步</translation>
    </message>
    <message>
        <source>Cameras at once</source>
        <translation>同时同步的摄像机数</translation>
    </message>
    <message>
        <source>Speed limit per camera</source>
        <translation>每台摄像机的限速</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Free space kept</source>
        <translation>保留的可用空间</translation>
    </message>
    <message>
        <source>not checked</source>
        <translation>不检查</translation>
    </message>
    <message>
        <source>Recordings kept</source>
        <translation>录像保留</translation>
    </message>
    <message>
        <source>for ever</source>
        <translation>永久</translation>
    </message>
    <message>
        <source>%1 days</source>
        <translation>%1 天</translation>
    </message>
    <message>
        <source>Download folder</source>
        <translation>下载文件夹</translation>
    </message>
    <message>
        <source>Free space there</source>
        <translation>该处可用空间</translation>
    </message>
    <message>
        <source>Settings are changed with &quot;velmora settings&quot; on the service&apos;s machine or in the window.</source>
        <translation>设置请在服务所在的机器上用“velmora settings”或在窗口中修改。</translation>
    </message>
    <message>
        <source>On the card versus on disk</source>
        <translation>存储卡与磁盘对照</translation>
    </message>
    <message>
        <source>Runs</source>
        <translation>运行记录</translation>
    </message>
    <message>
        <source>Asking the camera…</source>
        <translation>正在询问摄像机……</translation>
    </message>
    <message>
        <source>A run is under way: ask when it has ended.</source>
        <translation>正在运行：请在运行结束后再询问。</translation>
    </message>
    <message>
        <source>Ask again</source>
        <translation>再次询问</translation>
    </message>
    <message>
        <source>Ask the camera</source>
        <translation>询问摄像机</translation>
    </message>
    <message>
        <source>The question could not be started.</source>
        <translation>无法开始询问。</translation>
    </message>
    <message>
        <source>The camera did not answer in time.</source>
        <translation>摄像机没有及时回答。</translation>
    </message>
    <message>
        <source>%1 recordings on the card; %2 to download (%3).</source>
        <translation>存储卡上有 %1 个录像；%2 个待下载（%3）。</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>录像</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>On disk</source>
        <translation>已在磁盘上</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>no</source>
        <translation>否</translation>
    </message>
    <message>
        <source>partly (%1)</source>
        <translation>部分（%1）</translation>
    </message>
    <message>
        <source>never: its name is unsafe</source>
        <translation>不会：文件名不安全</translation>
    </message>
    <message>
        <source>idle</source>
        <translation>空闲</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>等待中</translation>
    </message>
    <message>
        <source>connecting</source>
        <translation>连接中</translation>
    </message>
    <message>
        <source>syncing</source>
        <translation>正在同步</translation>
    </message>
    <message>
        <source>retry-wait</source>
        <translation>等待重试</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>complete</source>
        <translation>同步完成</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>手动停止</translation>
    </message>
    <message>
        <source>up-to-date</source>
        <translation>已是最新</translation>
    </message>
    <message>
        <source>server-unreachable</source>
        <translation>无法连接服务器</translation>
    </message>
    <message>
        <source>server-login-refused</source>
        <translation>服务器拒绝登录</translation>
    </message>
    <message>
        <source>camera-not-in-account</source>
        <translation>摄像机不在该账号中</translation>
    </message>
    <message>
        <source>write-failed</source>
        <translation>写入失败</translation>
    </message>
    <message>
        <source>connection-failed</source>
        <translation>连接失败</translation>
    </message>
    <message>
        <source>connection-interrupted</source>
        <translation>连接中断</translation>
    </message>
    <message>
        <source>timed-out</source>
        <translation>连接超时</translation>
    </message>
    <message>
        <source>live-elsewhere</source>
        <translation>实时监控中</translation>
    </message>
    <message>
        <source>wrong-password</source>
        <translation>密码错误</translation>
    </message>
    <message>
        <source>disk-full</source>
        <translation>磁盘已满</translation>
    </message>
    <message>
        <source>not-finished</source>
        <translation>未完成</translation>
    </message>
</context>
</TS>
