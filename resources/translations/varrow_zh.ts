<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en_US">
<context>
    <name>CBaseDialogClass</name>
    <message>
        <source>Dialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>CDlgAbout</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
</context>
<context>
    <name>CDlgAboutClass</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Varrow software V2.00.00.04</source>
        <translation>Varrow 软件 V2.00.00.04</translation>
    </message>
</context>
<context>
    <name>CExecuteThread</name>
    <message>
        <source>Skip Download </source>
        <translation>跳过下载 </translation>
    </message>
    <message>
        <source>Reconnect </source>
        <translation>重新连接 </translation>
    </message>
    <message>
        <source> Failed. Error:</source>
        <translation> 失败。错误：</translation>
    </message>
    <message>
        <source>Download File Exceptional.Reconnect </source>
        <translation>下载文件异常，重新连接 </translation>
    </message>
    <message>
        <source> Error:</source>
        <translation> 错误：</translation>
    </message>
</context>
<context>
    <name>COmbrixApplication</name>
    <message>
        <source>Software is already running.</source>
        <translation>软件已在运行。</translation>
    </message>
    <message>
        <source>The least resolution is 1024*768.</source>
        <translation>屏幕分辨率至少为 1024*768。</translation>
    </message>
</context>
<context>
    <name>CSysInfoManage</name>
    <message>
        <source>Log in </source>
        <translation>登录 </translation>
    </message>
    <message>
        <source> failed</source>
        <translation> 失败</translation>
    </message>
</context>
<context>
    <name>CVarrow</name>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>Sure to close software</source>
        <translation>确定要关闭软件吗？</translation>
    </message>
    <message>
        <source>Close Software</source>
        <translation>关闭软件</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Varrow</source>
        <translation>Varrow</translation>
    </message>
    <message>
        <source>Create Storage Error:</source>
        <translation>创建存储失败，错误码：</translation>
    </message>
    <message>
        <source>.Please check and clear the local disk.</source>
        <translation>。请检查并清理本地磁盘。</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Open Software</source>
        <translation>打开软件</translation>
    </message>
    <message>
        <source>Get Backup Task Work List Failed.Connect Device </source>
        <translation>获取备份任务列表失败。连接设备 </translation>
    </message>
    <message>
        <source> Error:</source>
        <translation> 错误：</translation>
    </message>
    <message>
        <source>Tolvarin</source>
        <translation>Tolvarin</translation>
    </message>
    <message>
        <source>_IPCamera</source>
        <translation>_IP通道</translation>
    </message>
    <message>
        <source>_Camera</source>
        <translation>_通道</translation>
    </message>
</context>
<context>
    <name>VarrowClass</name>
    <message>
        <source>Varrow</source>
        <translation>Varrow</translation>
    </message>
    <message>
        <source>View State</source>
        <translation>查看状态</translation>
    </message>
    <message>
        <source>View Record File</source>
        <translation>录像文件</translation>
    </message>
    <message>
        <source>View Log</source>
        <translation>查看日志</translation>
    </message>
    <message>
        <source>Config</source>
        <translation>配置</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Network :</source>
        <translation>网络：</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
</context>
</TS>
