<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>Widget</name>
    <message>
        <source>开始连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>请将设备通过USB连接到电脑中</source>
        <translation>Connect the device to your computer via USB</translation>
    </message>
    <message>
        <source>更新最新固件</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:10pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;br /&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:10pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;br /&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>序列号：</source>
        <translation>Serial number:</translation>
    </message>
    <message>
        <source>产品型号：</source>
        <translation>Product model:</translation>
    </message>
    <message>
        <source>当前版本：</source>
        <translation>Current version:</translation>
    </message>
    <message>
        <source>最新版本：</source>
        <translation>Latest Version:</translation>
    </message>
    <message>
        <source>当前镜头版本：</source>
        <translation>Current lens version:</translation>
    </message>
    <message>
        <source>已是最新固件</source>
        <translation>Is the latest</translation>
    </message>
    <message>
        <source>正在更新：00.0%</source>
        <translation>Upadting : 00.0%</translation>
    </message>
    <message>
        <source>设备断开！</source>
        <translation>Device disconnected!</translation>
    </message>
    <message>
        <source>网络连接已恢复！</source>
        <translation>Network connection restored!</translation>
    </message>
    <message>
        <source>未检测网络连接，请检查网络连接状态！</source>
        <translation>No network connection detected, please check the network connection status!</translation>
    </message>
    <message>
        <source>更新成功！</source>
        <translation>Update successfully!</translation>
    </message>
    <message>
        <source>更新成功！正在重启中...</source>
        <translation>Update successfully!Restarting...</translation>
    </message>
    <message>
        <source>更新失败！</source>
        <translation>Update failed!</translation>
    </message>
    <message>
        <source>图片不存在！</source>
        <translation>The picture does not exist!</translation>
    </message>
    <message>
        <source>数据不存在!</source>
        <translation>Data does not exist!</translation>
    </message>
    <message>
        <source>产品型号 ： </source>
        <translation>Product model : </translation>
    </message>
    <message>
        <source>序列号  ： </source>
        <translation>Serial number : </translation>
    </message>
    <message>
        <source>当前版本 ： </source>
        <translation>Current version : </translation>
    </message>
    <message>
        <source>当前镜头版本 ： </source>
        <translation>Current lens version : </translation>
    </message>
    <message>
        <source>最新版本 ： </source>
        <translation>Latest version : </translation>
    </message>
    <message>
        <source>正在更新 ： </source>
        <translation>Updating : </translation>
    </message>
    <message>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <source>%。正在重启中...</source>
        <translation>%.Restarting...</translation>
    </message>
    <message>
        <source>正在更新。。。</source>
        <translation>Updating...</translation>
    </message>
    <message>
        <source>当前无网络连接！</source>
        <translation>No network connection at present!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Tips</translation>
    </message>
    <message>
        <source>当前连接设备版本与软件版本一致，是否重新写入？</source>
        <translation>The version of the connected device is the same as the software version. Do you want to re-write the device?</translation>
    </message>
    <message>
        <source>当前连接设备版本(</source>
        <translation>Current connected device version (</translation>
    </message>
    <message>
        <source>)较新，是否降为 </source>
        <translation>)is newer, is it reduced to </translation>
    </message>
    <message>
        <source>？</source>
        <translation>?</translation>
    </message>
    <message>
        <source>已切换到 %1</source>
        <translation>Has switched to %1</translation>
    </message>
    <message>
        <source>,请重新启动升级程序！</source>
        <translation>,please restart the upgrade process!</translation>
    </message>
</context>
<context>
    <name>WarningWidget</name>
</context>
<context>
    <name>UpdateGuideWidget</name>
</context>
</TS>
