<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en_US">
<context>
    <name>CBaseDialogClass</name>
    <message>
        <source>Dialog</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgAbout</name>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgAboutClass</name>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Varrow software V2.00.00.04</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CExecuteThread</name>
    <message>
        <source>Skip Download </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reconnect </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Failed. Error:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download File Exceptional.Reconnect </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Error:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>COmbrixApplication</name>
    <message>
        <source>Software is already running.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The least resolution is 1024*768.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CSysInfoManage</name>
    <message>
        <source>Log in </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> failed</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CVarrow</name>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sure to close software</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close Software</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Varrow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Create Storage Error:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>.Please check and clear the local disk.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Software</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Get Backup Task Work List Failed.Connect Device </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Error:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tolvarin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>_IPCamera</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>_Camera</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VarrowClass</name>
    <message>
        <source>Varrow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View State</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View Record File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View Log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Network :</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
