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
    <name>CChannelPickerDialog</name>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
</context>
<context>
    <name>CCopyBackUpTime</name>
    <message>
        <source>Copy plan</source>
        <translation>复制计划</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Please select destiny channel.</source>
        <translation>请选择目标计划。</translation>
    </message>
</context>
<context>
    <name>CCopyBackUpTimeClass</name>
    <message>
        <source>Choose which Plan to copy</source>
        <translation>选择要复制到的计划</translation>
    </message>
    <message>
        <source>Choose All</source>
        <translation>全选</translation>
    </message>
</context>
<context>
    <name>CDeviceWriteThread</name>
    <message>
        <source>%1 is %2: only a regular file is read.</source>
        <translation>%1 是%2：只读取普通文件。</translation>
    </message>
    <message>
        <source>%1 is larger than %2 MiB: no device database is that large.</source>
        <translation>%1 大于 %2 MiB：设备数据库不会这么大。</translation>
    </message>
    <message>
        <source>%1 could not be read within %2 seconds.</source>
        <translation>%1 未能在 %2 秒内读完。</translation>
    </message>
    <message>
        <source>The import was stopped before the file was read.</source>
        <translation>导入在读取文件之前已停止。</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation>%1 无法读取：%2。</translation>
    </message>
    <message>
        <source>The folder %1 does not answer: %2 was not read.</source>
        <translation>文件夹 %1 没有响应：未读取 %2。</translation>
    </message>
    <message>
        <source>%1 is this station&apos;s own database, which the import does not read: choose a database of another station, or a copy.</source>
        <translation>%1 是本站自己的数据库，导入不读取它：请选择其他站的数据库，或其副本。</translation>
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
    <name>CDlgAddDevice</name>
    <message>
        <source>Method</source>
        <translation>方式</translation>
    </message>
    <message>
        <source>Device name</source>
        <translation>设备名称</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP地址</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>FlowCtrl(KB/S)</source>
        <translation>流量控制(KB/S)</translation>
    </message>
    <message>
        <source>IP Mode</source>
        <translation>IP方式</translation>
    </message>
    <message>
        <source>Domain Mode</source>
        <translation>域名方式</translation>
    </message>
    <message>
        <source>Modify Device</source>
        <translation>修改设备</translation>
    </message>
    <message>
        <source>Add Device</source>
        <translation>添加设备</translation>
    </message>
    <message>
        <source>Domain:</source>
        <translation>域名：</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>IP地址：</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Domain is wrong</source>
        <translation>域名错误</translation>
    </message>
    <message>
        <source>Device with the same name has been added</source>
        <translation>已添加同名设备</translation>
    </message>
    <message>
        <source>Device with the same address and port has been added</source>
        <translation>已添加相同地址和端口的设备</translation>
    </message>
    <message>
        <source>Device has reach maximum number</source>
        <translation>设备数量已达上限</translation>
    </message>
    <message>
        <source>Save device failed.</source>
        <translation>保存设备失败。</translation>
    </message>
    <message>
        <source>Log in failed</source>
        <translation>登录失败</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>The Device is used in Schedule, Are you sure</source>
        <translation>该设备已用于计划，确定继续吗？</translation>
    </message>
    <message>
        <source>Modify device failed.</source>
        <translation>修改设备失败。</translation>
    </message>
    <message>
        <source>Nick name cannot be empty.</source>
        <translation>设备名称不能为空。</translation>
    </message>
    <message>
        <source>Nick name is Invalid.</source>
        <translation>设备名称无效。</translation>
    </message>
    <message>
        <source>IP Address can not be empty.</source>
        <translation>IP地址不能为空。</translation>
    </message>
    <message>
        <source>IP Address is Invalid.</source>
        <translation>IP地址无效。</translation>
    </message>
    <message>
        <source>Domain can not be empty.</source>
        <translation>域名不能为空。</translation>
    </message>
    <message>
        <source>User name cannot be empty.</source>
        <translation>用户名不能为空。</translation>
    </message>
    <message>
        <source>User name cannot contain the following symbol (&apos;).</source>
        <translation>用户名不能包含以下符号（&apos;）。</translation>
    </message>
    <message>
        <source>User name is too long.</source>
        <translation>用户名过长。</translation>
    </message>
    <message>
        <source>Password cannot be empty.</source>
        <translation>密码不能为空。</translation>
    </message>
    <message>
        <source>Password cannot contain the following symbol (&apos;).</source>
        <translation>密码不能包含以下符号（&apos;）。</translation>
    </message>
    <message>
        <source>Password is too long.</source>
        <translation>密码过长。</translation>
    </message>
    <message>
        <source>Port No. ranges from 1 to 65535.</source>
        <translation>端口号范围为1～65535。</translation>
    </message>
    <message>
        <source>Connecting to the device...</source>
        <translation>正在连接设备...</translation>
    </message>
    <message>
        <source>The device numbers a channel above 32767, which cannot be stored.</source>
        <translation>该设备的通道号大于 32767，无法保存。</translation>
    </message>
</context>
<context>
    <name>CDlgCfgDevice</name>
    <message>
        <source>Device list</source>
        <translation>设备列表</translation>
    </message>
    <message>
        <source>Read From DataBase</source>
        <translation>从数据库读取</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>Modify</source>
        <translation>修改</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Device name</source>
        <translation>设备名称</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP地址</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>Flowctrl(KB/S)</source>
        <translation>流控(KB/S)</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Exceed the maximum device number.</source>
        <translation>超出最大设备数量。</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>Sure to delete Device？</source>
        <translation>确定删除设备？</translation>
    </message>
    <message>
        <source>The Device is used in Schedule, Are you sure</source>
        <translation>该设备已用于计划，确定继续吗？</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Delete device failed.</source>
        <translation>删除设备失败。</translation>
    </message>
    <message>
        <source>Open Spreadsheet</source>
        <translation>打开设备表</translation>
    </message>
    <message>
        <source>DataBase files (*.db)</source>
        <translation>数据库文件 (*.db)</translation>
    </message>
    <message>
        <source>Search...</source>
        <translation>正在查找...</translation>
    </message>
    <message numerus="yes">
        <source>%n device(s) added.</source>
        <translation>
            <numerusform>已添加 %n 台设备。</numerusform>
        </translation>
    </message>
    <message>
        <source>Read Database succeed.</source>
        <translation>读取数据库成功。</translation>
    </message>
    <message numerus="yes">
        <source>%n row(s) with wrong fields skipped.</source>
        <translation>
            <numerusform>已跳过 %n 行字段错误的记录。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n device(s) not added: already added or log in failed.</source>
        <translation>
            <numerusform>%n 台设备未添加：已添加过或登录失败。</numerusform>
        </translation>
    </message>
    <message>
        <source>Read Database failed.</source>
        <translation>读取数据库失败。</translation>
    </message>
    <message>
        <source>The file is not a device database.</source>
        <translation>该文件不是设备数据库。</translation>
    </message>
    <message numerus="yes">
        <source>Import stopped: %n row(s) left.</source>
        <translation>
            <numerusform>导入已停止：剩余 %n 行未导入。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>No free device place left: %n row(s) not imported.</source>
        <translation>
            <numerusform>已没有空闲的设备位置：%n 行未导入。</numerusform>
        </translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>正在停止...</translation>
    </message>
</context>
<context>
    <name>CDlgCfgPlan</name>
    <message>
        <source>Add Schedule</source>
        <translation>添加计划</translation>
    </message>
    <message>
        <source>Modify Schedule</source>
        <translation>修改计划</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>Confirm to Delete Schedule</source>
        <translation>确定删除计划？</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source> had been added other Schedule</source>
        <translation> 已添加到其他计划</translation>
    </message>
    <message>
        <source>Channel number must less than 32</source>
        <translation>通道数必须少于32</translation>
    </message>
    <message>
        <source>Sure to delete?</source>
        <translation>确定删除？</translation>
    </message>
    <message>
        <source>The Schedule has been copied successfully</source>
        <translation>计划复制成功</translation>
    </message>
    <message>
        <source>Modify Schedule need to reboot Backup,Are you sure?</source>
        <translation>修改计划需要重启备份，确定继续吗？</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>The schedules could not be saved to the database.</source>
        <translation>无法将计划保存到数据库。</translation>
    </message>
    <message>
        <source>Config backup Schedule</source>
        <translation>配置备份计划</translation>
    </message>
    <message>
        <source>Week</source>
        <translation>星期</translation>
    </message>
    <message>
        <source>Schedule Begin</source>
        <translation>计划开始</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>Backup time</source>
        <translation>备份时间</translation>
    </message>
    <message>
        <source>File Begin</source>
        <translation>文件开始</translation>
    </message>
    <message>
        <source>File End</source>
        <translation>文件结束</translation>
    </message>
    <message>
        <source>File Type</source>
        <translation>文件类型</translation>
    </message>
    <message>
        <source>Whole Week</source>
        <translation>全周</translation>
    </message>
    <message>
        <source>Monday</source>
        <translation>星期一</translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation>星期二</translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation>星期三</translation>
    </message>
    <message>
        <source>Thusday</source>
        <translation>星期四</translation>
    </message>
    <message>
        <source>Friday</source>
        <translation>星期五</translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation>星期六</translation>
    </message>
    <message>
        <source>Sunday</source>
        <translation>星期日</translation>
    </message>
    <message>
        <source>hours</source>
        <translation>小时</translation>
    </message>
    <message>
        <source>days ago</source>
        <translation>天前</translation>
    </message>
    <message>
        <source>all</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>定时</translation>
    </message>
    <message>
        <source>Motion Detection</source>
        <translation>移动侦测</translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation>报警</translation>
    </message>
    <message>
        <source>Manual Record</source>
        <translation>手动录像</translation>
    </message>
    <message>
        <source>WholeWeek</source>
        <translation>全周</translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation>星期四</translation>
    </message>
    <message>
        <source>file starttime and file endtime conflict at Schedule </source>
        <translation>文件开始时间与文件结束时间冲突，计划 </translation>
    </message>
    <message>
        <source>Schedule starttime and file endtime conflict at Schedule </source>
        <translation>计划开始时间与文件结束时间冲突，计划 </translation>
    </message>
    <message>
        <source>At Schedule </source>
        <translation>计划 </translation>
    </message>
    <message>
        <source> The Schedule End Time of </source>
        <translation> 中，</translation>
    </message>
    <message>
        <source> is later than the Schedule start time of </source>
        <translation> 的计划结束时间与下一天的计划开始时间冲突：</translation>
    </message>
</context>
<context>
    <name>CDlgCfgPlanClass</name>
    <message>
        <source>CDlgCfgPlan</source>
        <translation>CDlgCfgPlan</translation>
    </message>
    <message>
        <source>Backup plan</source>
        <translation>备份计划</translation>
    </message>
    <message>
        <source>Backup channel</source>
        <translation>备份通道</translation>
    </message>
    <message>
        <source>Delete Camera</source>
        <translation>删除通道</translation>
    </message>
    <message>
        <source>Choose Camera</source>
        <translation>选择通道</translation>
    </message>
    <message>
        <source>Backup Time</source>
        <translation>备份时间</translation>
    </message>
    <message>
        <source>Copy Schedule</source>
        <translation>复制计划</translation>
    </message>
</context>
<context>
    <name>CDlgCfgSystem</name>
    <message>
        <source>  </source>
        <translation>  </translation>
    </message>
    <message>
        <source>Disk</source>
        <translation>磁盘</translation>
    </message>
    <message>
        <source>Total Space</source>
        <translation>总空间</translation>
    </message>
    <message>
        <source>Free Space</source>
        <translation>可用空间</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>文件夹</translation>
    </message>
    <message>
        <source>%1 (not found)</source>
        <translation>%1（未找到）</translation>
    </message>
    <message>
        <source>A disk is a folder: a line such as &quot;D=/srv/backup1&quot; in %1 makes it one (the program then writes into its Records folder). Fixed volumes are listed there by themselves.</source>
        <translation>磁盘即文件夹：在 %1 中加入一行，例如“D=/srv/backup1”，即可将该文件夹设为磁盘（程序写入其中的 Records 文件夹）。固定卷会自动列入该文件。</translation>
    </message>
    <message>
        <source>User name cannot be empty</source>
        <translation>用户名不能为空</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Please Select Disk!</source>
        <translation>请选择磁盘！</translation>
    </message>
    <message>
        <source>Modify Disk need to reboot Backup,Are you sure?</source>
        <translation>修改磁盘需要重启备份，确定继续吗？</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>The settings could not be saved.</source>
        <translation>无法保存设置。</translation>
    </message>
    <message>
        <source>Change Disk Config</source>
        <translation>修改磁盘配置</translation>
    </message>
    <message>
        <source>The automatic start could not be set up.</source>
        <translation type="vanished">无法设置开机自动启动。</translation>
    </message>
    <message>
        <source>The text is too long</source>
        <translation>文字过长</translation>
    </message>
    <message>
        <source>SMTP port No. ranges from 1 to 65535.</source>
        <translation>SMTP端口号范围为1～65535。</translation>
    </message>
    <message>
        <source>Email Test</source>
        <translation>邮件测试</translation>
    </message>
    <message>
        <source>This is a test email send by Quesselkit,Test email has send successfully</source>
        <translation>这是Quesselkit发送的测试邮件，测试邮件已发送成功</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>Send test mail successfully</source>
        <translation>测试邮件发送成功</translation>
    </message>
    <message>
        <source>Send test mail failed</source>
        <translation>测试邮件发送失败</translation>
    </message>
    <message>
        <source>The server offers an encrypted connection, but it could not be made, so the login was not sent:</source>
        <translation type="vanished">服务器提供加密连接，但无法建立，因此未发送登录信息：</translation>
    </message>
    <message>
        <source>The automatic start could not be set up. The other settings were saved.</source>
        <translation>无法设置开机自动启动。其他设置已保存。</translation>
    </message>
    <message>
        <source>The mail server&apos;s address or the port cannot be used.</source>
        <translation>邮件服务器地址或端口无法使用。</translation>
    </message>
    <message>
        <source>The user name, the sender&apos;s or the receiver&apos;s address is longer than %1 bytes.</source>
        <translation>用户名、发件人地址或收件人地址超过 %1 字节。</translation>
    </message>
    <message>
        <source>The mail cannot be built from these settings.</source>
        <translation>无法用这些设置生成邮件。</translation>
    </message>
    <message>
        <source>The mail server&apos;s name cannot be found.</source>
        <translation>找不到邮件服务器的名称。</translation>
    </message>
    <message>
        <source>The mail server cannot be reached on this port.</source>
        <translation>无法通过该端口连接邮件服务器。</translation>
    </message>
    <message>
        <source>The mail server did not answer in time.</source>
        <translation>邮件服务器未及时应答。</translation>
    </message>
    <message>
        <source>The mail server refused the login: check the sender&apos;s address and the password.</source>
        <translation>邮件服务器拒绝登录：请检查发件人地址和密码。</translation>
    </message>
    <message>
        <source>The mail server refused the sender&apos;s address.</source>
        <translation>邮件服务器拒绝了发件人地址。</translation>
    </message>
    <message>
        <source>The mail server refused the receiver&apos;s address.</source>
        <translation>邮件服务器拒绝了收件人地址。</translation>
    </message>
    <message>
        <source>The server offers an encrypted connection, but it could not be made, so the login was not sent.</source>
        <translation>服务器提供加密连接，但无法建立，因此未发送登录信息。</translation>
    </message>
    <message>
        <source>The connection to the mail server broke.</source>
        <translation>与邮件服务器的连接已中断。</translation>
    </message>
    <message>
        <source>The mail could not be sent.</source>
        <translation>邮件无法发送。</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>%1 (does not answer)</source>
        <translation>%1（没有响应）</translation>
    </message>
    <message>
        <source>Reading the disks...</source>
        <translation>正在读取磁盘...</translation>
    </message>
    <message>
        <source>%1 (not read)</source>
        <translation>%1（未读取）</translation>
    </message>
</context>
<context>
    <name>CDlgChooseChannel</name>
    <message>
        <source>Choose Channel</source>
        <translation>选择通道</translation>
    </message>
</context>
<context>
    <name>CDlgChooseChannelClass</name>
    <message>
        <source>Choose channel</source>
        <translation>选择通道</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>刷新</translation>
    </message>
</context>
<context>
    <name>CDlgManualBackup</name>
    <message>
        <source>Manual Backup</source>
        <translation>手动备份</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>定时</translation>
    </message>
    <message>
        <source>Motion Detection</source>
        <translation>移动侦测</translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation>报警</translation>
    </message>
    <message>
        <source>Manual Record</source>
        <translation>手动录像</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The end time is earlier than start time</source>
        <translation>结束时间早于开始时间</translation>
    </message>
    <message>
        <source>Exceed the maximum camera number</source>
        <translation>超过最大通道数</translation>
    </message>
    <message>
        <source>Please Select Disk!</source>
        <translation>请选择磁盘！</translation>
    </message>
    <message>
        <source>None camer was selected</source>
        <translation>未选择任何通道</translation>
    </message>
</context>
<context>
    <name>CDlgManualBackupClass</name>
    <message>
        <source>File Start Time:</source>
        <translation>文件开始时间：</translation>
    </message>
    <message>
        <source>File End Time:</source>
        <translation>文件结束时间：</translation>
    </message>
    <message>
        <source>File Type:</source>
        <translation>文件类型：</translation>
    </message>
    <message>
        <source>Backup Camers:</source>
        <translation>备份通道：</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>刷新</translation>
    </message>
    <message>
        <source>Chang to auto backup after manual backup finished</source>
        <translation>手动备份完成后转为自动备份</translation>
    </message>
</context>
<context>
    <name>CDlgModGroupName</name>
    <message>
        <source>Modify Plan</source>
        <translation>修改计划</translation>
    </message>
    <message>
        <source>Copy Channel</source>
        <translation>复制通道</translation>
    </message>
    <message>
        <source>Schedule name cannot be empty</source>
        <translation>计划名称不能为空</translation>
    </message>
    <message>
        <source>Nick name is Invalid.</source>
        <translation>名称无效。</translation>
    </message>
    <message>
        <source>the Schedule is exist</source>
        <translation>该计划已存在</translation>
    </message>
    <message>
        <source>Exceed the maximum schedule number.</source>
        <translation>超出最大计划数量。</translation>
    </message>
</context>
<context>
    <name>CDlgModGroupNameClass</name>
    <message>
        <source>Name</source>
        <translation>名称</translation>
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
    <name>CDlgSet</name>
    <message>
        <source>Config</source>
        <translation>配置</translation>
    </message>
</context>
<context>
    <name>CDlgSetClass</name>
    <message>
        <source>CDlgSet</source>
        <translation>CDlgSet</translation>
    </message>
    <message>
        <source>General</source>
        <translation>常规</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>计划</translation>
    </message>
</context>
<context>
    <name>CExecuteThread</name>
    <message>
        <source>in %1 was refused: %2</source>
        <translation>在 %1 中被拒绝：%2</translation>
    </message>
    <message>
        <source>Backup stopped: the record disks are full: </source>
        <translation>备份已停止：录像磁盘已满：</translation>
    </message>
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
    <message>
        <source>Backup stopped: a record disk cannot be used. </source>
        <translation>备份已停止：录像磁盘无法使用。</translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: the storage refused its record (code %3)</source>
        <translation>已放弃下载 %1 %2：存储拒绝了该录像（代码 %3）</translation>
    </message>
    <message>
        <source>%1 cannot take its name: %2</source>
        <translation>%1 无法使用其文件名：%2</translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: its record file %3</source>
        <translation>已放弃下载 %1 %2：其录像文件 %3</translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: the recorder vouches for no size of it, and the disks have no free room for it (no recording is deleted for it)</source>
        <translation>已放弃下载 %1 %2：录像机未给出其大小，磁盘上也没有可用空间（不会为它删除任何录像）</translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: the recorder sent more than the %3 bytes it announced</source>
        <translation>已放弃下载 %1 %2：录像机发送的数据超过其声明的 %3 字节</translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: the recorder announced no size and sent more than the %3 bytes its time range can hold</source>
        <translation>已放弃下载 %1 %2：录像机未声明大小，且发送的数据超过其时间范围所能容纳的 %3 字节</translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: the recorder sent nothing new for %3 s and never ended the play-back</source>
        <translation>已放弃下载 %1 %2：录像机在 %3 秒内没有发送任何新数据，也从未结束回放</translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: its play-back was started anew %3 times and never ended</source>
        <translation>已放弃下载 %1 %2：其回放已重新开始 %3 次，始终没有结束</translation>
    </message>
    <message>
        <source>Downloads from %1 given up: the recorder sent more than it announced</source>
        <translation>已放弃来自 %1 的下载：录像机发送的数据多于其声明的大小</translation>
    </message>
    <message>
        <source>Downloads from %1 given up: the recorder announced no size and sent more than the time range can hold</source>
        <translation>已放弃来自 %1 的下载：录像机未声明大小，且发送的数据多于该时间段所能容纳的</translation>
    </message>
</context>
<context>
    <name>CExportRecord</name>
    <message>
        <source>Export Record Files</source>
        <translation>导出录像文件</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Select Path to save record files</source>
        <translation>选择录像文件保存路径</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The path is empty</source>
        <translation>路径为空</translation>
    </message>
</context>
<context>
    <name>CExportRecordClass</name>
    <message>
        <source>File Path:</source>
        <translation>文件路径：</translation>
    </message>
</context>
<context>
    <name>CLogBackup</name>
    <message>
        <source>Backup Log</source>
        <translation>备份日志</translation>
    </message>
    <message>
        <source>Backup</source>
        <translation>备份</translation>
    </message>
    <message>
        <source>Select Log Backup File</source>
        <translation>选择日志备份文件</translation>
    </message>
    <message>
        <source>XML(*.xml)</source>
        <translation>XML(*.xml)</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The path is empty</source>
        <translation>路径为空</translation>
    </message>
</context>
<context>
    <name>CLogSearchThread</name>
    <message>
        <source>Start SoftWare</source>
        <translation>启动软件</translation>
    </message>
    <message>
        <source>Stop SoftWare</source>
        <translation>退出软件</translation>
    </message>
    <message>
        <source>Start Manual Backup</source>
        <translation>开始手动备份</translation>
    </message>
    <message>
        <source>Stop Manual Backup</source>
        <translation>停止手动备份</translation>
    </message>
    <message>
        <source>Config Plan</source>
        <translation>配置计划</translation>
    </message>
    <message>
        <source>Config Disk</source>
        <translation>配置磁盘</translation>
    </message>
    <message>
        <source>Config Group</source>
        <translation>配置分组</translation>
    </message>
    <message>
        <source>Device Reconnect Exception</source>
        <translation>设备重连异常</translation>
    </message>
    <message>
        <source>Write File Exception</source>
        <translation>写文件异常</translation>
    </message>
    <message>
        <source>Connect to Device Exception</source>
        <translation>连接设备异常</translation>
    </message>
    <message>
        <source>Overwrite Records</source>
        <translation>覆盖录像</translation>
    </message>
</context>
<context>
    <name>CLogTypeModel</name>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Operation Log</source>
        <translation>操作日志</translation>
    </message>
    <message>
        <source>Exception Log</source>
        <translation>异常日志</translation>
    </message>
</context>
<context>
    <name>CLogWriteThread</name>
    <message>
        <source>%1 is %2: only a regular file is replaced. Nothing was written.</source>
        <translation>%1 是%2：只替换普通文件。未写入任何内容。</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2.</source>
        <translation>%1 无法写入：%2。</translation>
    </message>
    <message>
        <source>The folder %1 does not answer: nothing was written there.</source>
        <translation>文件夹 %1 没有响应：未向其中写入任何内容。</translation>
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
    <name>CPageInfo</name>
    <message>
        <source>Previous</source>
        <translation>上一页</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>下一页</translation>
    </message>
</context>
<context>
    <name>CPathComboBox</name>
    <message>
        <source>Select Directory</source>
        <translation>选择目录</translation>
    </message>
</context>
<context>
    <name>CProgress</name>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
</context>
<context>
    <name>CRecordPlayer</name>
    <message>
        <source>the player %1 could not be started</source>
        <translation>无法启动播放器 %1</translation>
    </message>
</context>
<context>
    <name>CSearchLog</name>
    <message>
        <source>Backup failed. An earlier file of that name is kept.</source>
        <translation>备份失败。同名的原有文件已保留。</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Operation Time</source>
        <translation>操作时间</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Contents</source>
        <translation>内容</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The start time should before the end time</source>
        <translation>开始时间应早于结束时间</translation>
    </message>
    <message>
        <source>You can only search log within 30 days</source>
        <translation>只能搜索30天内的日志</translation>
    </message>
    <message>
        <source>The log table is empty</source>
        <translation>日志列表为空</translation>
    </message>
    <message>
        <source>Name cannot be empty</source>
        <translation>名称不能为空</translation>
    </message>
    <message>
        <source>Writing...</source>
        <translation>正在写入...</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Open file failed!</source>
        <translation>打开文件失败！</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>Backup successful</source>
        <translation>备份成功</translation>
    </message>
    <message>
        <source>Unknown error.</source>
        <translation>未知错误。</translation>
    </message>
    <message>
        <source>Backup stopped. No file was written.</source>
        <translation>备份已停止。未写入任何文件。</translation>
    </message>
</context>
<context>
    <name>CSearchLogClass</name>
    <message>
        <source>Start time:</source>
        <translation>开始时间：</translation>
    </message>
    <message>
        <source>End time:</source>
        <translation>结束时间：</translation>
    </message>
    <message>
        <source>Type:</source>
        <translation>类型：</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Result:</source>
        <translation>结果：</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
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
    <message>
        <source>Device %1  %2 refused: its channel number %3 is out of range</source>
        <translation>设备 %1  %2 被拒绝：其通道号 %3 超出范围</translation>
    </message>
</context>
<context>
    <name>CThreadExportFile</name>
    <message>
        <source>%1 cannot be exported.</source>
        <translation>%1 无法导出。</translation>
    </message>
    <message>
        <source>%1 has no place in the export folder.</source>
        <translation>%1 在导出文件夹中没有对应位置。</translation>
    </message>
    <message>
        <source>%1 cannot be written to %2: %3.</source>
        <translation>%1 无法写入 %2：%3。</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation>%1 无法读取：%2。</translation>
    </message>
    <message>
        <source>%1: %2.</source>
        <translation>%1：%2。</translation>
    </message>
    <message>
        <source>the folder %1 belongs to another user (user id %2), and the export writes only into folders of its own user</source>
        <translation>文件夹 %1 属于另一个用户（用户 ID %2），导出只写入本用户自己的文件夹</translation>
    </message>
    <message>
        <source>other users may write to the folder %1, and the export writes into no such folder</source>
        <translation>其他用户可以写入文件夹 %1，导出不写入这样的文件夹</translation>
    </message>
    <message>
        <source>the export folder %1 cannot be read: %2</source>
        <translation>无法读取导出文件夹 %1：%2</translation>
    </message>
    <message>
        <source>the export folder %1 belongs to another user (user id %2), and the export writes only into folders of its own user</source>
        <translation>导出文件夹 %1 属于另一个用户（用户 ID %2），导出只写入本用户自己的文件夹</translation>
    </message>
    <message>
        <source>the export folder %1 is open to other users&apos; writes and has no sticky bit, so they could replace what is exported there</source>
        <translation>其他用户可以写入导出文件夹 %1，且该文件夹没有粘滞位，他们可能替换导出到其中的文件</translation>
    </message>
    <message>
        <source>%1 cannot be written to %2: the volume of the export folder %3 does not answer.</source>
        <translation>%1 无法写入 %2：导出文件夹 %3 所在的卷没有响应。</translation>
    </message>
    <message>
        <source>%1 cannot be read: the folder %2 of its disk does not answer.</source>
        <translation>%1 无法读取：其所在磁盘的文件夹 %2 没有响应。</translation>
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
    <name>CViewRecord</name>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>定时</translation>
    </message>
    <message>
        <source>Motion Detection</source>
        <translation>移动侦测</translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation>报警</translation>
    </message>
    <message>
        <source>Manual Record</source>
        <translation>手动录像</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Camera Name</source>
        <translation>通道名称</translation>
    </message>
    <message>
        <source>File Start Time</source>
        <translation>文件开始时间</translation>
    </message>
    <message>
        <source>File End Time</source>
        <translation>文件结束时间</translation>
    </message>
    <message>
        <source>File Size</source>
        <translation>文件大小</translation>
    </message>
    <message>
        <source>Playback</source>
        <translation>回放</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>路径</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The end time is earlier than start time</source>
        <translation>结束时间早于开始时间</translation>
    </message>
    <message>
        <source>Please search record data no more than 3 days</source>
        <translation>请搜索不超过3天的录像</translation>
    </message>
    <message>
        <source>No record file was selected!</source>
        <translation>未选择录像文件！</translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation>正在导出...</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Export failed!</source>
        <translation>导出失败！</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>Export successful</source>
        <translation>导出成功</translation>
    </message>
    <message>
        <source>Unknown error.</source>
        <translation>未知错误。</translation>
    </message>
    <message>
        <source>No player is set, and the desktop has no program to open the record. Put a player named Vidrun beside Varrow, as the README says.</source>
        <translation>未设置播放器，桌面也没有可打开该录像的程序。请按 README 的说明，将名为 Vidrun 的播放器放在 Varrow 旁边。</translation>
    </message>
    <message>
        <source>The player %1 could not be started. Put a player named Vidrun beside Varrow, as the README says.</source>
        <translation>无法启动播放器 %1。请按 README 的说明，将名为 Vidrun 的播放器放在 Varrow 旁边。</translation>
    </message>
    <message>
        <source>%1 could not be started</source>
        <translation>无法启动 %1</translation>
    </message>
    <message>
        <source>%1 stopped abnormally</source>
        <translation>%1 异常终止</translation>
    </message>
    <message>
        <source>%1 ended with status %2 (%3)</source>
        <translation>%1 以状态 %2 结束（%3）</translation>
    </message>
    <message>
        <source>The desktop could not open the record %1: %2. Put a player named Vidrun beside Varrow, as the README says.</source>
        <translation>桌面无法打开录像 %1：%2。请按 README 的说明，将名为 Vidrun 的播放器放在 Varrow 旁边。</translation>
    </message>
    <message>
        <source>it was called wrongly</source>
        <translation>调用方式错误</translation>
    </message>
    <message>
        <source>the record file is not there</source>
        <translation>录像文件不存在</translation>
    </message>
    <message>
        <source>no program is set to open this kind of file</source>
        <translation>没有设置打开此类文件的程序</translation>
    </message>
    <message>
        <source>the program for this kind of file failed</source>
        <translation>打开此类文件的程序运行失败</translation>
    </message>
    <message>
        <source>an unknown failure</source>
        <translation>未知故障</translation>
    </message>
    <message>
        <source>The record is not played: %1</source>
        <translation>未播放该录像：%1</translation>
    </message>
    <message>
        <source>Not exported: %1</source>
        <translation>未导出：%1</translation>
    </message>
    <message numerus="yes">
        <source>%n more file(s) not exported.</source>
        <translation>
            <numerusform>另有 %n 个文件未导出。</numerusform>
        </translation>
    </message>
    <message>
        <source>Export stopped. The files copied before stay in the folder.</source>
        <translation>导出已停止。之前已复制的文件保留在文件夹中。</translation>
    </message>
    <message>
        <source>Tick a channel under Cameras to search its records.</source>
        <translation>请在“通道”列表中勾选一个通道，再搜索其录像。</translation>
    </message>
    <message>
        <source>No record found on the disks that could be searched.</source>
        <translation>在可搜索的磁盘上没有找到录像。</translation>
    </message>
    <message>
        <source>No record found in this range.</source>
        <translation>此时间范围内没有找到录像。</translation>
    </message>
    <message>
        <source>Not searched: %1</source>
        <translation>未搜索：%1</translation>
    </message>
    <message>
        <source>Only the first %1 records found are listed. Search a shorter range or fewer channels to see the others.</source>
        <translation>只列出了找到的前 %1 个录像。请缩短时间范围或减少通道，以查看其余录像。</translation>
    </message>
    <message>
        <source>Also listed: the records on Disk %1 (%2), which is no longer chosen for recording.</source>
        <translation>同时列出：磁盘 %1（%2）上的录像，该磁盘已不再用于录像。</translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation>正在查找...</translation>
    </message>
    <message>
        <source>No record found before the search was stopped.</source>
        <translation>查找停止之前未找到任何录像。</translation>
    </message>
    <message>
        <source>The search was stopped: only the records found before are listed.</source>
        <translation>查找已停止：只列出了停止之前找到的录像。</translation>
    </message>
    <message>
        <source>The record is not played: the folder %1 of its disk does not answer.</source>
        <translation>未播放该录像：其所在磁盘的文件夹 %1 没有响应。</translation>
    </message>
    <message>
        <source>Opening the record...</source>
        <translation>正在打开录像...</translation>
    </message>
</context>
<context>
    <name>CViewRecordClass</name>
    <message>
        <source>CViewRecord</source>
        <translation>CViewRecord</translation>
    </message>
    <message>
        <source>Cameras</source>
        <translation>通道</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>End</source>
        <translation>结束</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Search Result</source>
        <translation>搜索结果</translation>
    </message>
    <message>
        <source>Export File</source>
        <translation>导出文件</translation>
    </message>
    <message>
        <source>No record found in this range.</source>
        <translation>此时间范围内没有找到录像。</translation>
    </message>
</context>
<context>
    <name>CViewState</name>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>Sure to stop backup?</source>
        <translation>确定停止备份吗？</translation>
    </message>
    <message>
        <source>Switch to automatic backup mode will stop manual backup, Sure to Switch?</source>
        <translation>切换到自动备份模式将停止手动备份，确定切换吗？</translation>
    </message>
    <message>
        <source>Stop Manual BackUp</source>
        <translation>停止手动备份</translation>
    </message>
    <message>
        <source>Manual BackUp Completed</source>
        <translation>手动备份完成</translation>
    </message>
    <message>
        <source>Search...</source>
        <translation>正在查找...</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The record disks are full</source>
        <translation>录像磁盘已满</translation>
    </message>
    <message>
        <source>The record disks are full: </source>
        <translation>录像磁盘已满：</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Schedule Name</source>
        <translation>计划名称</translation>
    </message>
    <message>
        <source>Week</source>
        <translation>星期</translation>
    </message>
    <message>
        <source>Device IP</source>
        <translation>设备IP</translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation>设备名称</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>详情</translation>
    </message>
    <message>
        <source>Manual Backup</source>
        <translation>手动备份</translation>
    </message>
    <message>
        <source>Monday</source>
        <translation>星期一</translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation>星期二</translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation>星期三</translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation>星期四</translation>
    </message>
    <message>
        <source>Friday</source>
        <translation>星期五</translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation>星期六</translation>
    </message>
    <message>
        <source>Sunday</source>
        <translation>星期日</translation>
    </message>
    <message>
        <source>Switch to manual backup mode will stop automatic backup, Sure to Switch?</source>
        <translation>切换到手动备份模式将停止自动备份，确定切换吗？</translation>
    </message>
    <message>
        <source>Start Manual BackUp</source>
        <translation>开始手动备份</translation>
    </message>
    <message>
        <source>Create Storage Error:</source>
        <translation type="vanished">创建存储失败，错误码：</translation>
    </message>
    <message>
        <source>.Please check and clear the local disk.</source>
        <translation type="vanished">。请检查并清理本地磁盘。</translation>
    </message>
    <message>
        <source>channel %1</source>
        <translation>通道 %1</translation>
    </message>
    <message>
        <source>Manual BackUp ended without these channels: </source>
        <translation>手动备份已结束，以下通道未备份：</translation>
    </message>
    <message>
        <source>Backups wait for the record disk. </source>
        <translation>备份正在等待录像磁盘。</translation>
    </message>
    <message>
        <source>The record disks are ready; the backups go on.</source>
        <translation>录像磁盘已就绪，备份继续进行。</translation>
    </message>
</context>
<context>
    <name>ClientConfigManager</name>
    <message>
        <source>it is not a regular file</source>
        <translation>它不是普通文件</translation>
    </message>
    <message>
        <source>it is larger than %1 KiB</source>
        <translation>它大于 %1 KiB</translation>
    </message>
    <message>
        <source>The start-up settings %1 were not read (%2); the defaults apply.</source>
        <translation>未读取启动设置 %1（%2），使用默认设置。</translation>
    </message>
</context>
<context>
    <name>DeviceErrors</name>
    <message>
        <source>no error</source>
        <translation>无错误</translation>
    </message>
    <message>
        <source>wrong user name or password</source>
        <translation>用户名或密码错误</translation>
    </message>
    <message>
        <source>the device layer is not started</source>
        <translation>设备接口未启动</translation>
    </message>
    <message>
        <source>the recorder has no such channel</source>
        <translation>录像机没有该通道</translation>
    </message>
    <message>
        <source>the recorder cannot be reached</source>
        <translation>无法连接录像机</translation>
    </message>
    <message>
        <source>sending to the recorder failed</source>
        <translation>向录像机发送数据失败</translation>
    </message>
    <message>
        <source>the connection to the recorder broke</source>
        <translation>与录像机的连接已中断</translation>
    </message>
    <message>
        <source>the recorder did not answer in time</source>
        <translation>录像机未及时应答</translation>
    </message>
    <message>
        <source>the recorder&apos;s answer cannot be read</source>
        <translation>无法识别录像机的应答</translation>
    </message>
    <message>
        <source>a call out of order</source>
        <translation>调用顺序错误</translation>
    </message>
    <message>
        <source>a wrong parameter</source>
        <translation>参数错误</translation>
    </message>
    <message>
        <source>the session was already closed</source>
        <translation>会话已关闭</translation>
    </message>
    <message>
        <source>the recorder does not support this</source>
        <translation>录像机不支持此功能</translation>
    </message>
    <message>
        <source>the recorder no longer knows the session</source>
        <translation>录像机已不再识别该会话</translation>
    </message>
    <message>
        <source>the recorder refused the request</source>
        <translation>录像机拒绝了请求</translation>
    </message>
    <message>
        <source>no recording in the range</source>
        <translation>该时间范围内没有录像</translation>
    </message>
    <message>
        <source>too many sessions are open</source>
        <translation>打开的会话过多</translation>
    </message>
    <message>
        <source>the picture cannot be written</source>
        <translation>无法写入图片</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>未知错误</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>The user name or the password is wrong.</source>
        <translation>用户名或密码错误。</translation>
    </message>
    <message>
        <source>The recorder cannot be reached: check its address, its port and the network.</source>
        <translation>无法连接录像机：请检查其地址、端口和网络。</translation>
    </message>
    <message>
        <source>The recorder did not answer.</source>
        <translation>录像机没有应答。</translation>
    </message>
    <message>
        <source>The recorder refused the log in: error %1.</source>
        <translation>录像机拒绝登录：错误 %1。</translation>
    </message>
</context>
<context>
    <name>DlgCfgSystem</name>
    <message>
        <source>DlgCfgSystem</source>
        <translation>DlgCfgSystem</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>Auto Reboot</source>
        <translation>开机自启动</translation>
    </message>
    <message>
        <source>OS username</source>
        <translation>系统用户名</translation>
    </message>
    <message>
        <source>OS Password</source>
        <translation>系统密码</translation>
    </message>
    <message>
        <source>Disk Allocate</source>
        <translation>磁盘分配</translation>
    </message>
    <message>
        <source>When backup space is not enough</source>
        <translation>备份空间不足时</translation>
    </message>
    <message>
        <source>Override</source>
        <translation>覆盖</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Enable Mail</source>
        <translation>启用邮件</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>重连</translation>
    </message>
    <message>
        <source>reconnect times when start backup</source>
        <translation>开始备份时的重连次数</translation>
    </message>
    <message>
        <source>Receiver Address</source>
        <translation>收件人地址</translation>
    </message>
    <message>
        <source>Deliver Server</source>
        <translation>发送服务器</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>Sender&apos;s Address</source>
        <translation>发件人地址</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>Test Connection</source>
        <translation>测试连接</translation>
    </message>
</context>
<context>
    <name>FileKind</name>
    <message>
        <source>a file</source>
        <translation>一个文件</translation>
    </message>
    <message>
        <source>a link</source>
        <translation>一个链接</translation>
    </message>
    <message>
        <source>a named pipe</source>
        <translation>一个命名管道</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>一个设备</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>一个文件夹</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>一个套接字</translation>
    </message>
</context>
<context>
    <name>MainDb</name>
    <message>
        <source>user id %1</source>
        <translation>用户 ID %1</translation>
    </message>
    <message>
        <source>%1 is a link to %2, which leads nowhere</source>
        <translation>%1 是指向 %2 的链接，该链接无效</translation>
    </message>
    <message>
        <source>a file of another user: %1</source>
        <translation>其他用户的文件：%1</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>不是普通文件</translation>
    </message>
    <message>
        <source>%1 is %2</source>
        <translation>%1 是%2</translation>
    </message>
    <message>
        <source>%1 is a link to %2, %3</source>
        <translation>%1 是指向 %2 的链接，%3</translation>
    </message>
    <message>
        <source>the file cannot be reached: %1</source>
        <translation>无法访问该文件：%1</translation>
    </message>
    <message>
        <source>the file is a link to %1, which cannot be reached: %2</source>
        <translation>该文件是指向 %1 的链接，无法访问：%2</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>文件为空</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>文件为只读</translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>驱动器</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>文件夹</translation>
    </message>
    <message>
        <source>File</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation>%1 文件</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Disk %1: the folder %2 takes records again.</source>
        <translation>磁盘 %1：文件夹 %2 又可存入录像。</translation>
    </message>
    <message>
        <source>%1. A disk counts as full while less than %2 MB is free on it: that much is kept free on every disk.</source>
        <translation>%1。可用空间少于 %2 MB 的磁盘即视为已满：每个磁盘都保留这么多空间。</translation>
    </message>
    <message>
        <source>The folder %1 cannot be made durable: %2. Its record is kept, but not counted as stored.</source>
        <translation>文件夹 %1 无法落盘：%2。其录像保留，但不计为已存储。</translation>
    </message>
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
        <source>Disk %1 has no folder. Give it one with a line &quot;%1=/path/to/folder&quot; in %2.</source>
        <translation>磁盘 %1 没有对应的文件夹。请在 %2 中加入一行“%1=/文件夹/路径”。</translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 does not exist (is its volume mounted?).</source>
        <translation>磁盘 %1：文件夹 %2 不存在（其所在的卷是否已挂载？）。</translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 cannot be written: %3.</source>
        <translation>磁盘 %1：文件夹 %2 无法写入：%3。</translation>
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
    <message>
        <source>Schedule</source>
        <translation>定时</translation>
    </message>
    <message>
        <source>Motion Detection</source>
        <translation>移动侦测</translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation>报警</translation>
    </message>
    <message>
        <source>Manual Record</source>
        <translation>手动录像</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Backup Execution State</source>
        <translation>备份执行状态</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Schedule Name</source>
        <translation>计划名称</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>Current Backup Channel</source>
        <translation>当前备份通道</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Backup Progress</source>
        <translation>备份进度</translation>
    </message>
    <message>
        <source>Complete(MB)</source>
        <translation>已完成(MB)</translation>
    </message>
    <message>
        <source>Total(MB)</source>
        <translation>总计(MB)</translation>
    </message>
    <message>
        <source>Current File</source>
        <translation>当前文件</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>End Time</source>
        <translation>结束时间</translation>
    </message>
    <message>
        <source>The database cannot be used. The file was left as it is:</source>
        <translation>数据库无法使用。文件保持原样，未作改动：</translation>
    </message>
    <message>
        <source>File of %1 skipped: its times %2 are no range</source>
        <translation>已跳过 %1 的文件：其时间 %2 不是有效的时间段</translation>
    </message>
    <message>
        <source>Search of %1 given up: the recorder was still searching after %2 s</source>
        <translation>已放弃搜索 %1：录像机在 %2 秒后仍在搜索</translation>
    </message>
    <message>
        <source>%1 more files of %2 skipped: their times are no range</source>
        <translation>另有 %1 个 %2 的文件已跳过：其时间不是有效的时间段</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>它不是普通文件</translation>
    </message>
    <message>
        <source>it is larger than %1 KiB</source>
        <translation>它大于 %1 KiB</translation>
    </message>
    <message>
        <source>The disk map %1 cannot be read: %2.</source>
        <translation>无法读取磁盘映射文件 %1：%2。</translation>
    </message>
    <message>
        <source>Disk %1 has no folder. %2</source>
        <translation>磁盘 %1 没有对应的文件夹。%2</translation>
    </message>
    <message>
        <source>Disk %1: no volume is mounted at the folder %2 (is its volume mounted?).</source>
        <translation>磁盘 %1：文件夹 %2 上没有挂载卷（其所在的卷是否已挂载？）。</translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 is a link, and links below a disk&apos;s folder are never followed.</source>
        <translation>磁盘 %1：文件夹 %2 是一个链接，磁盘文件夹下的链接一律不跟随。</translation>
    </message>
    <message>
        <source>recorder %1, channel %2, %3 to %4</source>
        <translation>录像机 %1，通道 %2，%3 至 %4</translation>
    </message>
    <message>
        <source>A link below a record disk&apos;s folder is left alone: %1.</source>
        <translation>录像磁盘文件夹下的链接未被处理：%1。</translation>
    </message>
    <message>
        <source>Records deleted to make room (overwrite): %1, %2 MB.</source>
        <translation>为腾出空间删除的录像（覆盖）：%1 个，%2 MB。</translation>
    </message>
    <message>
        <source>Records in %1 cannot be deleted to make room: %2.</source>
        <translation>无法删除 %1 中的录像以腾出空间：%2。</translation>
    </message>
    <message>
        <source>Deleted to make room: %1.</source>
        <translation>为腾出空间已删除：%1。</translation>
    </message>
    <message>
        <source>The other disks take the records.</source>
        <translation>录像改存到其他磁盘。</translation>
    </message>
    <message>
        <source>To start with empty settings, move the file away and start the program again.</source>
        <translation>如需以空白设置启动，请将该文件移走后重新启动程序。</translation>
    </message>
    <message>
        <source>The database cannot be created; nothing was left behind:</source>
        <translation>无法创建数据库，未留下任何文件：</translation>
    </message>
    <message>
        <source>The backups wait for this disk and start once it is there.</source>
        <translation>备份将等待该磁盘，磁盘就绪后即开始。</translation>
    </message>
    <message>
        <source>No record disk is chosen.</source>
        <translation>未选择录像磁盘。</translation>
    </message>
    <message>
        <source>The record disks are not set up yet.</source>
        <translation>录像磁盘尚未设置。</translation>
    </message>
    <message>
        <source>%1 is a named pipe, not a record file.</source>
        <translation>%1 是命名管道，不是录像文件。</translation>
    </message>
    <message>
        <source>%1 is a device, not a record file.</source>
        <translation>%1 是设备，不是录像文件。</translation>
    </message>
    <message>
        <source>%1 is a folder, not a record file.</source>
        <translation>%1 是文件夹，不是录像文件。</translation>
    </message>
    <message>
        <source>%1 is not a regular file, not a record file.</source>
        <translation>%1 不是普通文件，不是录像文件。</translation>
    </message>
    <message>
        <source>%1: a link stands at %2, and no link is followed below a record disk&apos;s folder.</source>
        <translation>%1：%2 处是一个链接，录像磁盘文件夹下的链接一律不跟随。</translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2.</source>
        <translation>%1 无法打开：%2。</translation>
    </message>
    <message>
        <source>%1 is not the path of a stored record.</source>
        <translation>%1 不是已存储录像的路径。</translation>
    </message>
    <message>
        <source>%1: the folder %2 belongs to another user, and no such folder is used below a record disk&apos;s folder.</source>
        <translation>%1：文件夹 %2 属于另一个用户，录像磁盘文件夹下不使用这样的文件夹。</translation>
    </message>
    <message>
        <source>%1: other users may write to the folder %2, and no record is taken from such a folder.</source>
        <translation>%1：其他用户可以写入文件夹 %2，不从这样的文件夹中取录像。</translation>
    </message>
    <message>
        <source>%1 is a link, and no link is followed below a record disk&apos;s folder.</source>
        <translation>%1 是一个链接，录像磁盘文件夹下的链接一律不跟随。</translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 belongs to another user (user id %3); the station uses only folders of its own user there.</source>
        <translation>磁盘 %1：文件夹 %2 属于另一个用户（用户 ID %3）；本站在那里只使用属于自己用户的文件夹。</translation>
    </message>
    <message>
        <source>Disk %1: other users may write to the folder %2 (a volume without owners must be mounted for the station&apos;s user, with no write for others).</source>
        <translation>磁盘 %1：其他用户可以写入文件夹 %2（没有所有者的卷必须为本站的用户挂载，且不允许其他用户写入）。</translation>
    </message>
    <message>
        <source>The folder %1 was open to other users; it is closed to them now, with every record below it.</source>
        <translation>文件夹 %1 曾对其他用户开放；现已对他们关闭，其下的所有录像也一并关闭。</translation>
    </message>
    <message>
        <source>The folder %1 is open to other users and cannot be closed to them: %2.</source>
        <translation>文件夹 %1 对其他用户开放，且无法对他们关闭：%2。</translation>
    </message>
    <message>
        <source>its volume keeps the modes its mount gives</source>
        <translation>其所在的卷保持其挂载所给的权限</translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 had gone; it was made again, and the records stored in it before are no longer found there.</source>
        <translation>磁盘 %1：文件夹 %2 曾经消失；它已被重新创建，此前存放在其中的录像在那里再也找不到了。</translation>
    </message>
    <message>
        <source>Disk %1 leads to the same folder as disk %3 (%2); the two are used as one disk.</source>
        <translation>磁盘 %1 与磁盘 %3 指向同一个文件夹（%2）；两者作为一个磁盘使用。</translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 is no longer the folder that was set up (it was moved away, and a link or another folder stands in its place); it is not written until that folder is back.</source>
        <translation>磁盘 %1：文件夹 %2 已不是设置时的那个文件夹（它被移走了，原处换成了链接或另一个文件夹）；在该文件夹回来之前不会向其写入。</translation>
    </message>
    <message>
        <source>A folder of another user below a record disk&apos;s folder is left alone: %1.</source>
        <translation>录像磁盘文件夹下属于另一个用户的文件夹不予使用：%1。</translation>
    </message>
    <message>
        <source>Repeated once: </source>
        <translation>重复一次：</translation>
    </message>
    <message>
        <source>Repeated %1 times: </source>
        <translation>重复 %1 次：</translation>
    </message>
    <message>
        <source>A link below the record disk&apos;s folder %1 is left alone</source>
        <translation>录像磁盘文件夹 %1 下的链接未被处理</translation>
    </message>
    <message>
        <source>A folder of another user below the record disk&apos;s folder %1 is left alone</source>
        <translation>录像磁盘文件夹 %1 下属于另一个用户的文件夹不予使用</translation>
    </message>
    <message>
        <source>Records below the record disk&apos;s folder %1 cannot be deleted to make room</source>
        <translation>无法删除录像磁盘文件夹 %1 下的录像以腾出空间</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation>%1 无法读取：%2。</translation>
    </message>
    <message>
        <source>the folder %1 is not closed to other users, and no private copy is made there.</source>
        <translation>文件夹 %1 未对其他用户关闭，不在其中制作私有副本。</translation>
    </message>
    <message>
        <source>%1 cannot be made: %2.</source>
        <translation>无法创建 %1：%2。</translation>
    </message>
    <message>
        <source>%1 cannot be made: the record&apos;s volume does not answer.</source>
        <translation>%1 无法制作：录像所在的卷没有响应。</translation>
    </message>
    <message>
        <source>The folder %1 does not answer.</source>
        <translation>文件夹 %1 没有响应。</translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 does not answer.</source>
        <translation>磁盘 %1：文件夹 %2 没有响应。</translation>
    </message>
    <message>
        <source>its Records folder holds the mark of another disk</source>
        <translation>其 Records 文件夹中是另一个磁盘的标记</translation>
    </message>
    <message>
        <source>its Records folder, or the mark in it, is not the station&apos;s own</source>
        <translation>其 Records 文件夹或其中的标记不属于本站</translation>
    </message>
    <message>
        <source>a link stands in its place, and what it leads to holds no mark of that disk</source>
        <translation>原处是一个链接，其指向之处没有该磁盘的标记</translation>
    </message>
    <message>
        <source>it holds no Records folder with the mark of that disk</source>
        <translation>其中没有带该磁盘标记的 Records 文件夹</translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 is not the disk that was set up there (%3); it is neither written nor searched until that disk is back, or the disk is chosen again in the disk settings.</source>
        <translation>磁盘 %1：文件夹 %2 不是在此设置的那个磁盘（%3）；在该磁盘回来、或在磁盘设置中重新选择该磁盘之前，既不向其写入，也不在其中查找。</translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 is taken as the disk, as it was chosen again in the disk settings.</source>
        <translation>磁盘 %1：已在磁盘设置中重新选择，文件夹 %2 现作为该磁盘使用。</translation>
    </message>
    <message>
        <source>every user</source>
        <translation>所有用户</translation>
    </message>
    <message>
        <source>the users of the group %1</source>
        <translation>组 %1 的用户</translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 lies in %3, where %4 may move it away and put another in its place (that folder has no sticky bit). Such a folder is not taken for the disk, but the disk is then missing: keep it in a folder only the station&apos;s user may change.</source>
        <translation>磁盘 %1：文件夹 %2 位于 %3 中，%4 可以将其移走并在原处放入另一个文件夹（该文件夹没有粘滞位）。这样换入的文件夹不会被当作该磁盘，但该磁盘随之缺失：请将其放在只有本站用户可以更改的文件夹中。</translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 is full, and deleting records frees no room there (a recycle bin or snapshots keep the files).</source>
        <translation>磁盘 %1：文件夹 %2 已满，且删除录像无法在那里腾出空间（回收站或快照保留着这些文件）。</translation>
    </message>
    <message>
        <source>The copy %1 of the record %2, stored earlier on another disk, was deleted.</source>
        <translation>已删除录像 %2 先前存放在另一磁盘上的副本 %1。</translation>
    </message>
    <message>
        <source>To use this folder as the disk instead, untick the disk in the disk settings, tick it again and press OK.</source>
        <translation>若要改用此文件夹作为该磁盘，请在磁盘设置中取消勾选该磁盘，再重新勾选并按确定。</translation>
    </message>
</context>
<context>
    <name>UiLogBackup</name>
    <message>
        <source>File Path:</source>
        <translation>文件路径：</translation>
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
<context>
    <name>ViewStateClass</name>
    <message>
        <source>Dialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <source>Backup Execution State:</source>
        <translation>备份执行状态：</translation>
    </message>
    <message>
        <source>The backup with red schedule and channel name is overdue</source>
        <translation>计划名和通道名为红色的备份为逾期备份</translation>
    </message>
    <message>
        <source>Event Information:</source>
        <translation>事件信息：</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>手动</translation>
    </message>
    <message>
        <source>Channel backup process will take up device connection number and bandwidth.</source>
        <translation>通道备份会占用设备的连接数和带宽。</translation>
    </message>
    <message>
        <source>Backup Details       </source>
        <translation>备份详情       </translation>
    </message>
    <message>
        <source>Backup Mode:</source>
        <translation>备份模式：</translation>
    </message>
    <message>
        <source>Backup Duration:</source>
        <translation>备份时长：</translation>
    </message>
    <message>
        <source>Download Schedule Number:</source>
        <translation>下载计划数：</translation>
    </message>
    <message>
        <source>Today Total Size:</source>
        <translation>今日总大小：</translation>
    </message>
    <message>
        <source>Today Complete Size:</source>
        <translation>今日完成大小：</translation>
    </message>
    <message>
        <source>Today Complete Percent:</source>
        <translation>今日完成比例：</translation>
    </message>
    <message>
        <source>Overdue Total Size:</source>
        <translation>逾期总大小：</translation>
    </message>
    <message>
        <source>Overdue Complete Size:</source>
        <translation>逾期完成大小：</translation>
    </message>
    <message>
        <source>Overdue Complete Percent:</source>
        <translation>逾期完成比例：</translation>
    </message>
    <message>
        <source>Backup Details</source>
        <translation>备份详情</translation>
    </message>
    <message>
        <source>File Start Time:</source>
        <translation>文件开始时间：</translation>
    </message>
    <message>
        <source>File End Time:</source>
        <translation>文件结束时间：</translation>
    </message>
    <message>
        <source>File Type:</source>
        <translation>文件类型：</translation>
    </message>
    <message>
        <source>Backup Channel:</source>
        <translation>备份通道：</translation>
    </message>
</context>
</TS>
