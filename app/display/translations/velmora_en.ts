<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Console</name>
    <message>
        <source>cannot write %1: %2</source>
        <translation>cannot write %1: %2</translation>
    </message>
</context>
<context>
    <name>Interval</name>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>10分钟</source>
        <translation>10 minutes</translation>
    </message>
    <message>
        <source>30分钟</source>
        <translation>30 minutes</translation>
    </message>
    <message>
        <source>1小时</source>
        <translation>1 hour</translation>
    </message>
    <message>
        <source>2小时</source>
        <translation>2 hours</translation>
    </message>
    <message>
        <source>4小时</source>
        <translation>4 hours</translation>
    </message>
    <message>
        <source>12小时</source>
        <translation>12 hours</translation>
    </message>
    <message>
        <source>一天</source>
        <translation>1 day</translation>
    </message>
    <message>
        <source>一周</source>
        <translation>1 week</translation>
    </message>
</context>
<context>
    <name>Kind</name>
    <message>
        <source>本地</source>
        <translation>Local</translation>
    </message>
    <message>
        <source>远程</source>
        <translation>Remote</translation>
    </message>
</context>
<context>
    <name>QDialog</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Status</name>
    <message>
        <source>等待中</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>连接中</source>
        <translation>Connecting</translation>
    </message>
    <message>
        <source>正在同步</source>
        <translation>Synchronising</translation>
    </message>
    <message>
        <source>同步完成</source>
        <translation>Complete</translation>
    </message>
    <message>
        <source>手动停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>连接失败</source>
        <translation>Connection failed</translation>
    </message>
    <message>
        <source>连接中断</source>
        <translation>Interrupted</translation>
    </message>
    <message>
        <source>连接超时</source>
        <translation>Timed out</translation>
    </message>
    <message>
        <source>实时监控中</source>
        <translation>In live view</translation>
    </message>
    <message>
        <source>密码错误</source>
        <translation>Wrong password</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>Disk full</translation>
    </message>
</context>
<context>
    <name>WindowMode</name>
    <message>
        <source>Velmora 已在后台运行（进程号 %1），正在按设置同步摄像机；窗口不能同时打开。
查看它的状态：velmora status
停止它：systemctl --user stop velmora（不是以服务启动的：kill %1），然后再打开窗口。</source>
        <translation>Velmora is already running in the background (PID %1) and synchronises the cameras as set; the window cannot open beside it.
See its state: velmora status
Stop it: systemctl --user stop velmora (if it was not started as a service: kill %1), then open the window again.</translation>
    </message>
    <message>
        <source>录像同步</source>
        <translation>Recording Sync</translation>
    </message>
</context>
<context>
    <name>velmora::ui::AliasInputDLG</name>
    <message>
        <source>设置别名</source>
        <translation>Set alias</translation>
    </message>
    <message>
        <source>请输入新别名</source>
        <translation>Enter the new alias</translation>
    </message>
</context>
<context>
    <name>velmora::ui::CVelmoraDlg</name>
    <message>
        <source>录像同步</source>
        <translation>Recording Sync</translation>
    </message>
    <message>
        <source>Velmora</source>
        <translation>Velmora</translation>
    </message>
    <message>
        <source>上次自动同步时间</source>
        <translation>Last automatic sync: </translation>
    </message>
    <message>
        <source>是否关闭同步软件</source>
        <translation>Close the synchronisation program?</translation>
    </message>
    <message>
        <source>工具栏</source>
        <translation>Tool bar</translation>
    </message>
    <message>
        <source>添加本地摄像机</source>
        <translation>Add local camera</translation>
    </message>
    <message>
        <source>添加远程摄像机</source>
        <translation>Add remote camera</translation>
    </message>
    <message>
        <source>全部开始同步</source>
        <translation>Start all</translation>
    </message>
    <message>
        <source>全部停止</source>
        <translation>Stop all</translation>
    </message>
    <message>
        <source>移除摄像机</source>
        <translation>Remove camera</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>下载速度</source>
        <translation>Download speed</translation>
    </message>
    <message>
        <source>全部开始</source>
        <translation>Start all</translation>
    </message>
    <message>
        <source>开始同步</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>查看录像信息</source>
        <translation>View recordings</translation>
    </message>
    <message>
        <source>修改别名</source>
        <translation>Change alias</translation>
    </message>
    <message>
        <source>修改配置</source>
        <translation>Change configuration</translation>
    </message>
    <message>
        <source>无法保存 %1：%2</source>
        <translation>Could not save %1: %2</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>摄像机 %1 同步失败</source>
        <translation>Camera %1: synchronisation failed</translation>
    </message>
    <message>
        <source>详细信息</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>从未</source>
        <translation>never</translation>
    </message>
    <message>
        <source>请先在列表中选择一台摄像机。</source>
        <translation>Select a camera in the list first.</translation>
    </message>
</context>
<context>
    <name>velmora::ui::CameraDetailsDLG</name>
    <message>
        <source>摄像机详细信息</source>
        <translation>Camera details</translation>
    </message>
    <message>
        <source>摄像机：</source>
        <translation>Camera:</translation>
    </message>
    <message>
        <source>上次结果：</source>
        <translation>Last outcome:</translation>
    </message>
    <message>
        <source>结束时间：</source>
        <translation>Ended:</translation>
    </message>
    <message>
        <source>原因：</source>
        <translation>Reason:</translation>
    </message>
    <message>
        <source>建议：</source>
        <translation>What to do:</translation>
    </message>
    <message>
        <source>上次同步完成：</source>
        <translation>Last completed:</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>Ended</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Outcome</translation>
    </message>
    <message>
        <source>录像</source>
        <translation>Recordings</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>最近的同步：</source>
        <translation>Recent runs:</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>尚未同步</source>
        <translation>Not synchronised yet</translation>
    </message>
    <message>
        <source>从未</source>
        <translation>never</translation>
    </message>
</context>
<context>
    <name>velmora::ui::CameraListModel</name>
    <message>
        <source>尚未完成同步</source>
        <translation>Never completed a synchronisation</translation>
    </message>
    <message>
        <source>上次同步完成：%1</source>
        <translation>Last synchronisation completed: %1</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>摄像机</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>本地/远程</source>
        <translation>Local/remote</translation>
    </message>
    <message>
        <source>总进度</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>当前文件下载进度</source>
        <translation>Current file</translation>
    </message>
    <message>
        <source>正在下载文件名</source>
        <translation>File being downloaded</translation>
    </message>
    <message>
        <source>上次同步（%1）：%2</source>
        <translation>Last run (%1): %2</translation>
    </message>
</context>
<context>
    <name>velmora::ui::EngineAdapter</name>
    <message>
        <source>密码最长15个字节</source>
        <translation>The password takes at most 15 bytes</translation>
    </message>
    <message>
        <source>%1 个录像未能保存</source>
        <translation>%1 recording(s) could not be stored</translation>
    </message>
    <message>
        <source>同步未结束（程序在同步中退出）</source>
        <translation>the run did not finish (the program ended during it)</translation>
    </message>
    <message>
        <source>检查下载文件夹是否可写、磁盘是否正常；下次同步会再试这些录像。</source>
        <translation>Check that the download folder is writable and the disk is healthy; the next run tries these recordings again.</translation>
    </message>
    <message>
        <source>在该摄像机的右键菜单中选择“修改配置”，输入正确的密码。密码改正之前不会自动重试。</source>
        <translation>Choose “Change configuration” in the camera&apos;s context menu and enter the right password. The camera is not retried until the password is corrected.</translation>
    </message>
    <message>
        <source>检查服务器账户的用户名、密码和主摄像机序列号（右键菜单“修改配置”）。</source>
        <translation>Check the server account&apos;s user name, password and main camera serial number (context menu, “Change configuration”).</translation>
    </message>
    <message>
        <source>检查服务器地址和网络连接；失败的摄像机会自动重试。</source>
        <translation>Check the server address and the network connection; failed cameras are retried automatically.</translation>
    </message>
    <message>
        <source>该摄像机已不在服务器账户中：重新添加或移除它。</source>
        <translation>The camera is no longer in the server account: add it again or remove it.</translation>
    </message>
    <message>
        <source>检查下载文件夹（“设置”）是否存在、可写，磁盘是否正常。</source>
        <translation>Check that the download folder (“Settings”) exists and is writable, and that the disk is healthy.</translation>
    </message>
    <message>
        <source>释放下载磁盘的空间，或在“设置”中选择其他下载文件夹，然后重新开始同步。</source>
        <translation>Free space on the download disk or choose another download folder in “Settings”, then start the synchronisation again.</translation>
    </message>
    <message>
        <source>检查摄像机是否通电、已连接网络、地址是否正确；失败的摄像机会自动重试。</source>
        <translation>Check that the camera is powered, connected to the network and at the right address; failed cameras are retried automatically.</translation>
    </message>
    <message>
        <source>摄像机正在别处实时监控；监控结束后会自动重试。</source>
        <translation>The camera is in live view elsewhere; it is retried automatically once that ends.</translation>
    </message>
    <message>
        <source>下次同步时会继续。</source>
        <translation>The next run continues where this one stopped.</translation>
    </message>
    <message>
        <source>未结束</source>
        <translation>Not finished</translation>
    </message>
    <message>
        <source>无法搜索局域网中的摄像机：接收摄像机通告的端口无法监听（%1）。可能有其他程序正在使用该端口；请在下方输入摄像机的编号和地址。</source>
        <translation>Cannot search the local network for cameras: the port the cameras announce themselves on cannot be listened on (%1). Another program may be using it; type the camera&apos;s id and address below.</translation>
    </message>
</context>
<context>
    <name>velmora::ui::LocalLoginDLG</name>
    <message>
        <source>添加本地摄像机</source>
        <translation>Add local camera</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>IPv4 地址或主机名</source>
        <translation>IPv4 address or host name</translation>
    </message>
    <message>
        <source>摄像机编号：</source>
        <translation>Camera id:</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>正在搜索局域网中的摄像机……</source>
        <translation>Searching the local network for cameras…</translation>
    </message>
    <message>
        <source>找到 %1 台摄像机；请选择一台，或在下方输入编号和地址。</source>
        <translation>Found %1 camera(s); choose one, or type an id and address below.</translation>
    </message>
    <message>
        <source>“%1”不是有效的IPv4地址（应为 a.b.c.d）</source>
        <translation>“%1” is not a valid IPv4 address (expected a.b.c.d)</translation>
    </message>
    <message>
        <source>%1 的地址是 %2；摄像机保存这个地址</source>
        <translation>%1 is %2; the camera keeps this address</translation>
    </message>
    <message>
        <source>“%1”不是IPv4地址，也找不到这个名字的主机</source>
        <translation>“%1” is not an IPv4 address, and no host of that name was found</translation>
    </message>
    <message>
        <source>请在列表中选择一台摄像机，或输入摄像机的编号和地址。</source>
        <translation>Choose a camera in the list, or type the camera&apos;s id and address.</translation>
    </message>
    <message>
        <source>请输入摄像机的编号（一个整数）。</source>
        <translation>Type the camera&apos;s id (a whole number).</translation>
    </message>
    <message>
        <source>请输入摄像机的地址。</source>
        <translation>Type the camera&apos;s address.</translation>
    </message>
    <message>
        <source>未添加摄像机 %1：%2</source>
        <translation>Camera %1 not added: %2</translation>
    </message>
    <message>
        <source>摄像机 %1 已在列表中；已用新的设置替换</source>
        <translation>Camera %1 was already in the list; its settings were replaced</translation>
    </message>
    <message>
        <source>已添加摄像机 %1（%2）</source>
        <translation>Added camera %1 (%2)</translation>
    </message>
</context>
<context>
    <name>velmora::ui::ModifyLocalRSIDLG</name>
    <message>
        <source>输入密码</source>
        <translation>Enter password</translation>
    </message>
    <message>
        <source>修改配置</source>
        <translation>Change configuration</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>地址应为 IPv4 地址（a.b.c.d）</source>
        <translation>The address must be an IPv4 address (a.b.c.d)</translation>
    </message>
    <message>
        <source>密码最长15个字节</source>
        <translation>The password takes at most 15 bytes</translation>
    </message>
</context>
<context>
    <name>velmora::ui::RemoteLoginDLG</name>
    <message>
        <source>添加远程摄像机</source>
        <translation>Add remote camera</translation>
    </message>
    <message>
        <source>连接服务器</source>
        <translation>Connect to server</translation>
    </message>
    <message>
        <source>添加摄像机</source>
        <translation>Add camera</translation>
    </message>
    <message>
        <source>服务器地址：</source>
        <translation>Server address:</translation>
    </message>
    <message>
        <source>用户名：</source>
        <translation>User name:</translation>
    </message>
    <message>
        <source>密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>主摄像机序列号：</source>
        <translation>Main camera serial number:</translation>
    </message>
    <message>
        <source>%1 最长%2个字节</source>
        <translation>%1 takes at most %2 bytes</translation>
    </message>
    <message>
        <source>“%1”不是服务器的IPv4地址（应为 a.b.c.d）</source>
        <translation>“%1” is not a server IPv4 address (expected a.b.c.d)</translation>
    </message>
    <message>
        <source>正在连接服务器……</source>
        <translation>Connecting to the server…</translation>
    </message>
    <message>
        <source>已登录；该账户没有摄像机</source>
        <translation>Logged in; the account has no cameras</translation>
    </message>
    <message>
        <source>已登录；请选择要添加的摄像机</source>
        <translation>Logged in; choose the camera to add</translation>
    </message>
    <message>
        <source>与服务器的连接已断开</source>
        <translation>The connection to the server was lost</translation>
    </message>
    <message>
        <source>无法连接服务器：%1</source>
        <translation>Cannot connect to the server: %1</translation>
    </message>
    <message>
        <source>无法连接服务器</source>
        <translation>Cannot connect to the server</translation>
    </message>
    <message>
        <source>服务器拒绝登录（用户名、密码或主摄像机序列号有误，代码 %1）</source>
        <translation>The server refused the login (wrong user name, password or main camera serial number; code %1)</translation>
    </message>
    <message>
        <source>服务器拒绝添加该摄像机（代码 %1）</source>
        <translation>The server refused to add this camera (code %1)</translation>
    </message>
    <message>
        <source>无法向服务器请求摄像机 %1</source>
        <translation>Could not ask the server for camera %1</translation>
    </message>
    <message>
        <source>未添加摄像机 %1：%2</source>
        <translation>Camera %1 was not added: %2</translation>
    </message>
    <message>
        <source>摄像机 %1 已在列表中；已用新的设置替换</source>
        <translation>Camera %1 is already in the list; its settings were replaced</translation>
    </message>
    <message>
        <source>已添加摄像机 %1</source>
        <translation>Camera %1 added</translation>
    </message>
</context>
<context>
    <name>velmora::ui::SettingDLG</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>下载路径</source>
        <translation>Download folder</translation>
    </message>
    <message>
        <source>并发数</source>
        <translation>Cameras at once</translation>
    </message>
    <message>
        <source>同步间隔</source>
        <translation>Sync interval</translation>
    </message>
    <message>
        <source>开机启动</source>
        <translation>Start at login</translation>
    </message>
    <message>
        <source>磁盘保留空间</source>
        <translation>Free space to keep</translation>
    </message>
    <message>
        <source>不检查</source>
        <translation>Do not check</translation>
    </message>
    <message>
        <source>录像保留天数</source>
        <translation>Days to keep recordings</translation>
    </message>
    <message>
        <source>永久保留</source>
        <translation>Keep for ever</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>浏览...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>选择下载路径</source>
        <translation>Choose the download folder</translation>
    </message>
    <message>
        <source>保存后，新的录像下载到此文件夹；已下载的录像不会移动。</source>
        <translation>After Save, new recordings go to this folder; recordings already downloaded do not move.</translation>
    </message>
    <message>
        <source>来自本程序的设置</source>
        <translation>Chosen in Velmora&apos;s settings</translation>
    </message>
    <message>
        <source>来自摄像机管理程序的设置</source>
        <translation>From the camera manager&apos;s settings</translation>
    </message>
    <message>
        <source>默认路径</source>
        <translation>The default folder</translation>
    </message>
    <message>
        <source>无法使用下载路径 %1：%2</source>
        <translation>The download folder %1 cannot be used: %2</translation>
    </message>
    <message>
        <source>不限速</source>
        <translation>No limit</translation>
    </message>
    <message>
        <source>每台摄像机限速</source>
        <translation>Speed limit per camera</translation>
    </message>
    <message>
        <source>不限速：一块下载完立即请求下一块</source>
        <translation>No limit: the next chunk is asked for as soon as one arrives</translation>
    </message>
    <message>
        <source>每两次 128 KiB 请求间隔 %1 毫秒 ≈ 每台摄像机 %2</source>
        <translation>%1 ms between 128 KiB requests ≈ %2 per camera</translation>
    </message>
</context>
</TS>
