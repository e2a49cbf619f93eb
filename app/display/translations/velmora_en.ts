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
        <translation>One day</translation>
    </message>
    <message>
        <source>一周</source>
        <translation>One week</translation>
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
</context>
<context>
    <name>velmora::ui::EngineAdapter</name>
    <message>
        <source>密码最长15个字节</source>
        <translation>The password takes at most 15 bytes</translation>
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
</context>
</TS>
