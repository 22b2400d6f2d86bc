<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>Widget</name>
    <message>
        <source>镜头正在写入固件，请勿拔出镜头！</source>
        <translation>镜头正在写入固件，请勿拔出镜头！</translation>
    </message>
    <message>
        <source>已连接另一个镜头：请一次只连接一个镜头！</source>
        <translation>已连接另一个镜头：请一次只连接一个镜头！</translation>
    </message>
    <message>
        <source>固件尚未下载完成，请稍后再试！</source>
        <translation>固件尚未下载完成，请稍后再试！</translation>
    </message>
    <message>
        <source>镜头没有重新连接：请拔下镜头后重新插入，再重新开始更新。</source>
        <translation>镜头没有重新连接：请拔下镜头后重新插入，再重新开始更新。</translation>
    </message>
    <message>
        <source>请只连接一个镜头后再更新！</source>
        <translation>请只连接一个镜头后再更新！</translation>
    </message>
    <message>
        <source>开始连接</source>
        <translation>开始连接</translation>
    </message>
    <message>
        <source>请将设备通过USB连接到电脑中</source>
        <translation>请将设备通过USB连接到电脑中</translation>
    </message>
    <message>
        <source>更新最新固件</source>
        <translation>更新最新固件</translation>
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
        <translation>序列号：</translation>
    </message>
    <message>
        <source>产品型号：</source>
        <translation>产品型号：</translation>
    </message>
    <message>
        <source>当前版本：</source>
        <translation>当前版本：</translation>
    </message>
    <message>
        <source>最新版本：</source>
        <translation>最新版本：</translation>
    </message>
    <message>
        <source>当前镜头版本：</source>
        <translation>当前镜头版本：</translation>
    </message>
    <message>
        <source>已是最新固件</source>
        <translation>已是最新固件</translation>
    </message>
    <message>
        <source>正在更新：00.0%</source>
        <translation>正在更新：00.0%</translation>
    </message>
    <message>
        <source>设备断开！</source>
        <translation>设备断开！</translation>
    </message>
    <message>
        <source>网络连接已恢复！</source>
        <translation>网络连接已恢复！</translation>
    </message>
    <message>
        <source>未检测网络连接，请检查网络连接状态！</source>
        <translation>未检测网络连接，请检查网络连接状态！</translation>
    </message>
    <message>
        <source>更新成功！</source>
        <translation>更新成功！</translation>
    </message>
    <message>
        <source>更新成功！正在重启中...</source>
        <translation>更新成功！正在重启中...</translation>
    </message>
    <message>
        <source>更新失败！</source>
        <translation>更新失败！</translation>
    </message>
    <message>
        <source>图片不存在！</source>
        <translation>图片不存在！</translation>
    </message>
    <message>
        <source>数据不存在!</source>
        <translation>数据不存在!</translation>
    </message>
    <message>
        <source>产品型号 ： </source>
        <translation>产品型号 ： </translation>
    </message>
    <message>
        <source>序列号  ： </source>
        <translation>序列号  ： </translation>
    </message>
    <message>
        <source>当前版本 ： </source>
        <translation>当前版本 ： </translation>
    </message>
    <message>
        <source>当前镜头版本 ： </source>
        <translation>当前镜头版本 ： </translation>
    </message>
    <message>
        <source>最新版本 ： </source>
        <translation>最新版本 ： </translation>
    </message>
    <message>
        <source>正在更新 ： </source>
        <translation>正在更新 ： </translation>
    </message>
    <message>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <source>%。正在重启中...</source>
        <translation>%。正在重启中...</translation>
    </message>
    <message>
        <source>正在更新。。。</source>
        <translation>正在更新。。。</translation>
    </message>
    <message>
        <source>当前无网络连接！</source>
        <translation>当前无网络连接！</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>当前连接设备版本与软件版本一致，是否重新写入？</source>
        <translation>当前连接设备版本与软件版本一致，是否重新写入？</translation>
    </message>
    <message>
        <source>当前连接设备版本(</source>
        <translation>当前连接设备版本(</translation>
    </message>
    <message>
        <source>)较新，是否降为 </source>
        <translation>)较新，是否降为 </translation>
    </message>
    <message>
        <source>？</source>
        <translation>？</translation>
    </message>
    <message>
        <source>已切换到 %1</source>
        <translation>已切换到 %1</translation>
    </message>
    <message>
        <source>,请重新启动升级程序！</source>
        <translation>,请重新启动升级程序！</translation>
    </message>
</context>
<context>
    <name>WarningWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>未查询到任何设备</source>
        <translation>未查询到任何设备</translation>
    </message>
    <message>
        <source>重新连接</source>
        <translation>重新连接</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:9pt; font-weight:600; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:10px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:16pt;&quot;&gt;原因可能如下：&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:5px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:11pt; font-weight:400; color:#898989;&quot;&gt;1、检查设备本身故障&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:5px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:11pt; font-weight:400; color:#898989;&quot;&gt;2、检查电源&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:5px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:11pt; font-weight:400; color:#898989;&quot;&gt;3、检查电源管理设置&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:5px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:11pt; font-weight:400; color:#898989;&quot;&gt;4、检查USB设备驱动程序&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:5px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:11pt; font-weight:400; color:#898989;&quot;&gt;5、检查USB端口&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:9pt; font-weight:600; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:10px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:16pt;&quot;&gt;原因可能如下：&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:5px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:11pt; font-weight:400; color:#898989;&quot;&gt;1、检查设备本身故障&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:5px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:11pt; font-weight:400; color:#898989;&quot;&gt;2、检查电源&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:5px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:11pt; font-weight:400; color:#898989;&quot;&gt;3、检查电源管理设置&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:5px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:11pt; font-weight:400; color:#898989;&quot;&gt;4、检查USB设备驱动程序&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:5px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei UI&apos;; font-size:11pt; font-weight:400; color:#898989;&quot;&gt;5、检查USB端口&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>检测到有多个设备
请移除其他设备</source>
        <translation>检测到有多个设备
请移除其他设备</translation>
    </message>
</context>
<context>
    <name>UpdateGuideWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>固件升级步骤解析</source>
        <translation>固件升级步骤解析</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:9pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:16pt; font-weight:600;&quot;&gt;一、升级前的注意事项&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;1、升级有风险，如果升级失败，镜头有可能不能正常使用，请仔细阅读升级提示。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;2、在固件升级过程中，请不要断开USB连接。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;3、固件升级所需的时间取决于固件文件大小，请耐心等待。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;4、一旦固件升级成功，之前的固件版本将被覆盖，无法恢复至原固件版本。&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:9pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:16pt; font-weight:600;&quot;&gt;一、升级前的注意事项&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;1、升级有风险，如果升级失败，镜头有可能不能正常使用，请仔细阅读升级提示。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;2、在固件升级过程中，请不要断开USB连接。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;3、固件升级所需的时间取决于固件文件大小，请耐心等待。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;4、一旦固件升级成功，之前的固件版本将被覆盖，无法恢复至原固件版本。&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:9pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p align=&quot;justify&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:16pt; font-weight:600;&quot;&gt;二、升级前的准备工作&lt;/span&gt;&lt;/p&gt;
&lt;p align=&quot;justify&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;1、准备好需要进行固件升级的镜头。&lt;/span&gt;&lt;/p&gt;
&lt;p align=&quot;justify&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;2、请确保电脑网络已连接。&lt;/span&gt;&lt;/p&gt;
&lt;p align=&quot;justify&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;3、备好带有数据传输功能的USB数据线&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:9pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p align=&quot;justify&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:16pt; font-weight:600;&quot;&gt;二、升级前的准备工作&lt;/span&gt;&lt;/p&gt;
&lt;p align=&quot;justify&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;1、准备好需要进行固件升级的镜头。&lt;/span&gt;&lt;/p&gt;
&lt;p align=&quot;justify&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;2、请确保电脑网络已连接。&lt;/span&gt;&lt;/p&gt;
&lt;p align=&quot;justify&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;3、备好带有数据传输功能的USB数据线&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:9pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:16pt; font-weight:600;&quot;&gt;三、固件升级的5个步骤&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;1、检查当前固件版本。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;2、确认镜头是否适用于本次固件升级。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;3、通过USB数据线将镜头和电脑进行连接。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;4、固件升级操作。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;5、检查升级后的版本。&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:9pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:16pt; font-weight:600;&quot;&gt;三、固件升级的5个步骤&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;1、检查当前固件版本。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;2、确认镜头是否适用于本次固件升级。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;3、通过USB数据线将镜头和电脑进行连接。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;4、固件升级操作。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;5、检查升级后的版本。&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:9pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:16pt; font-weight:600;&quot;&gt;四、镜头固件升级操作&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;1、点击&lt;/span&gt;&lt;span style=&quot; font-size:11pt; color:#1cf17f;&quot;&gt;[开始连接]&lt;/span&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;连接到镜头对比固件。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;2、若固件已是最新版本则无需更新。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;3、点击&lt;/span&gt;&lt;span style=&quot; font-size:11pt; color:#1cf17f;&quot;&gt;[更新最新固件]&lt;/span&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;传输固件数据进度条将在升级时出现。&lt;/span&gt;&lt;span style=&quot; font-size:11pt; color:#f4e913;&quot;&gt;（注意：升级时不要断开USB连接线）&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;4、升级完成。&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;微软雅黑&apos;; font-size:9pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:16pt; font-weight:600;&quot;&gt;四、镜头固件升级操作&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;1、点击&lt;/span&gt;&lt;span style=&quot; font-size:11pt; color:#1cf17f;&quot;&gt;[开始连接]&lt;/span&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;连接到镜头对比固件。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;2、若固件已是最新版本则无需更新。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;3、点击&lt;/span&gt;&lt;span style=&quot; font-size:11pt; color:#1cf17f;&quot;&gt;[更新最新固件]&lt;/span&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;传输固件数据进度条将在升级时出现。&lt;/span&gt;&lt;span style=&quot; font-size:11pt; color:#f4e913;&quot;&gt;（注意：升级时不要断开USB连接线）&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:11pt; color:#898989;&quot;&gt;4、升级完成。&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
</context>
<context>
    <name>UpdateDecision</name>
    <message>
        <source>未连接镜头</source>
        <translation>未连接镜头</translation>
    </message>
    <message>
        <source>固件型号(%1)与镜头型号(%2)不符</source>
        <translation>固件型号(%1)与镜头型号(%2)不符</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>用 lens-update --help 查看用法。</source>
        <translation>用 lens-update --help 查看用法。</translation>
    </message>
    <message>
        <source>显示本帮助并退出。</source>
        <translation>显示本帮助并退出。</translation>
    </message>
    <message>
        <source>显示版本并退出。</source>
        <translation>显示版本并退出。</translation>
    </message>
    <message>
        <source>打印各部分的调试输出（日志类别 lens.*）。</source>
        <translation>打印各部分的调试输出（日志类别 lens.*）。</translation>
    </message>
    <message>
        <source>list 和 check：以 JSON 输出，供脚本使用。</source>
        <translation>list 和 check：以 JSON 输出，供脚本使用。</translation>
    </message>
    <message>
        <source>update：对重新写入和降级的提问都回答“是”。</source>
        <translation>update：对重新写入和降级的提问都回答“是”。</translation>
    </message>
    <message>
        <source>update：写入此固件文件，而不从服务器下载。</source>
        <translation>update：写入此固件文件，而不从服务器下载。</translation>
    </message>
    <message>
        <source>update：--firmware 文件的版本（用于版本比较和更新后的检查）。</source>
        <translation>update：--firmware 文件的版本（用于版本比较和更新后的检查）。</translation>
    </message>
    <message>
        <source>等待镜头出现的最长秒数（默认 3）。</source>
        <translation>等待镜头出现的最长秒数（默认 3）。</translation>
    </message>
    <message>
        <source>update：等待镜头重启后重新报告的最长秒数（默认 60）。</source>
        <translation>update：等待镜头重启后重新报告的最长秒数（默认 60）。</translation>
    </message>
    <message>
        <source>list、check 或 update</source>
        <translation>list、check 或 update</translation>
    </message>
    <message>
        <source>从终端更新自动对焦镜头的固件（USB HID 或 U 盘模式）。

命令：
  list    列出找到的每个镜头：型号、型号代码、序列号、固件版本（U 盘模式还有卷）。
  check   向固件服务器查询每个镜头的最新固件，显示当前版本、最新版本和更新说明。
  update  更新唯一连接着的镜头：下载（或读取 --firmware 文件）、检查、传输、等待重启并检查新版本。</source>
        <translation>从终端更新自动对焦镜头的固件（USB HID 或 U 盘模式）。

命令：
  list    列出找到的每个镜头：型号、型号代码、序列号、固件版本（U 盘模式还有卷）。
  check   向固件服务器查询每个镜头的最新固件，显示当前版本、最新版本和更新说明。
  update  更新唯一连接着的镜头：下载（或读取 --firmware 文件）、检查、传输、等待重启并检查新版本。</translation>
    </message>
    <message>
        <source>缺少命令（list、check 或 update）。</source>
        <translation>缺少命令（list、check 或 update）。</translation>
    </message>
    <message>
        <source>只能给出一个命令。</source>
        <translation>只能给出一个命令。</translation>
    </message>
    <message>
        <source>未知命令：%1</source>
        <translation>未知命令：%1</translation>
    </message>
    <message>
        <source>--json 只用于 list 和 check。</source>
        <translation>--json 只用于 list 和 check。</translation>
    </message>
    <message>
        <source>--yes、--firmware 和 --firmware-version 只用于 update。</source>
        <translation>--yes、--firmware 和 --firmware-version 只用于 update。</translation>
    </message>
    <message>
        <source>--firmware-version 需要同时给出 --firmware。</source>
        <translation>--firmware-version 需要同时给出 --firmware。</translation>
    </message>
    <message>
        <source>秒数无效。</source>
        <translation>秒数无效。</translation>
    </message>
    <message>
        <source>退出码：</source>
        <translation>退出码：</translation>
    </message>
    <message>
        <source>成功（或无事可做）</source>
        <translation>成功（或无事可做）</translation>
    </message>
    <message>
        <source>失败（包括 Ctrl-C 中断）</source>
        <translation>失败（包括 Ctrl-C 中断）</translation>
    </message>
    <message>
        <source>用法错误</source>
        <translation>用法错误</translation>
    </message>
    <message>
        <source>没有镜头</source>
        <translation>没有镜头</translation>
    </message>
    <message>
        <source>无法连接固件服务器</source>
        <translation>无法连接固件服务器</translation>
    </message>
    <message>
        <source>被检查拒绝（固件不属于该镜头、提问回答“否”、连接着多个镜头）</source>
        <translation>被检查拒绝（固件不属于该镜头、提问回答“否”、连接着多个镜头）</translation>
    </message>
</context>
<context>
    <name>CommandRunner</name>
    <message>
        <source>镜头更新后报告的版本为 %1，而不是 %2。</source>
        <translation>镜头更新后报告的版本为 %1，而不是 %2。</translation>
    </message>
    <message>
        <source>镜头在 %1 秒内没有重新连接。固件已写入，但新版本未经确认。</source>
        <translation>镜头在 %1 秒内没有重新连接。固件已写入，但新版本未经确认。</translation>
    </message>
    <message>
        <source>未找到镜头。请通过 USB 连接镜头（HID 模式或 U 盘模式）。</source>
        <translation>未找到镜头。请通过 USB 连接镜头（HID 模式或 U 盘模式）。</translation>
    </message>
    <message>
        <source>找到了 HID 镜头，但它没有报告自己的信息。</source>
        <translation>找到了 HID 镜头，但它没有报告自己的信息。</translation>
    </message>
    <message>
        <source>镜头（HID）</source>
        <translation>镜头（HID）</translation>
    </message>
    <message>
        <source>镜头（U 盘模式）</source>
        <translation>镜头（U 盘模式）</translation>
    </message>
    <message>
        <source>型号代码 ： </source>
        <translation>型号代码 ： </translation>
    </message>
    <message>
        <source>卷 ： </source>
        <translation>卷 ： </translation>
    </message>
    <message>
        <source>有 %1 个 HID 镜头连接着；一次只能读取其中一个。</source>
        <translation>有 %1 个 HID 镜头连接着；一次只能读取其中一个。</translation>
    </message>
    <message>
        <source>固件下载失败。</source>
        <translation>固件下载失败。</translation>
    </message>
    <message>
        <source>正在下载固件</source>
        <translation>正在下载固件</translation>
    </message>
    <message>
        <source>无法连接固件服务器（%1）。</source>
        <translation>无法连接固件服务器（%1）。</translation>
    </message>
    <message>
        <source>固件服务器没有型号 %1 的固件。</source>
        <translation>固件服务器没有型号 %1 的固件。</translation>
    </message>
    <message>
        <source>镜头已是最新固件。</source>
        <translation>镜头已是最新固件。</translation>
    </message>
    <message>
        <source>服务器提供的是镜头当前版本的测试版。</source>
        <translation>服务器提供的是镜头当前版本的测试版。</translation>
    </message>
    <message>
        <source>有可用的更新。</source>
        <translation>有可用的更新。</translation>
    </message>
    <message>
        <source>更新说明：</source>
        <translation>更新说明：</translation>
    </message>
    <message>
        <source>型号 %1 不在镜头目录中。</source>
        <translation>型号 %1 不在镜头目录中。</translation>
    </message>
    <message>
        <source>连接着不止一个镜头。一次只更新一个镜头：请只保留要更新的那个。</source>
        <translation>连接着不止一个镜头。一次只更新一个镜头：请只保留要更新的那个。</translation>
    </message>
    <message>
        <source>无法读取 %1：%2</source>
        <translation>无法读取 %1：%2</translation>
    </message>
    <message>
        <source>未更新。</source>
        <translation>未更新。</translation>
    </message>
    <message>
        <source>正在更新</source>
        <translation>正在更新</translation>
    </message>
    <message>
        <source>所有数据已发送，镜头正在写入固件……</source>
        <translation>所有数据已发送，镜头正在写入固件……</translation>
    </message>
    <message>
        <source>镜头拒绝了固件，仍保留版本 %1。</source>
        <translation>镜头拒绝了固件，仍保留版本 %1。</translation>
    </message>
    <message>
        <source>正在把 Fw.dat 写入 %1，并等待镜头取走……</source>
        <translation>正在把 Fw.dat 写入 %1，并等待镜头取走……</translation>
    </message>
    <message>
        <source>无法把 Fw.dat 完整写入 %1。</source>
        <translation>无法把 Fw.dat 完整写入 %1。</translation>
    </message>
    <message>
        <source>传输停止于 %1%（%2 / %3）。镜头只收到了部分固件，也没有收到结束命令：它不会安装这些数据，仍是版本 %4。请重新连接镜头后再次更新。</source>
        <translation>传输停止于 %1%（%2 / %3）。镜头只收到了部分固件，也没有收到结束命令：它不会安装这些数据，仍是版本 %4。请重新连接镜头后再次更新。</translation>
    </message>
    <message>
        <source>镜头 %1 秒没有应答。</source>
        <translation>镜头 %1 秒没有应答。</translation>
    </message>
    <message>
        <source>镜头正在写入固件，现在中断可能使它没有可用的固件。正在等待它完成（再按一次 Ctrl-C 强制退出）。</source>
        <translation>镜头正在写入固件，现在中断可能使它没有可用的固件。正在等待它完成（再按一次 Ctrl-C 强制退出）。</translation>
    </message>
    <message>
        <source>已在镜头写入固件时退出。请重新连接镜头，并用 lens-update list 查看它的版本。</source>
        <translation>已在镜头写入固件时退出。请重新连接镜头，并用 lens-update list 查看它的版本。</translation>
    </message>
    <message>
        <source>已中断。</source>
        <translation>已中断。</translation>
    </message>
    <message>
        <source>Fw.dat 的写入不能中断；正在等待镜头取走它。</source>
        <translation>Fw.dat 的写入不能中断；正在等待镜头取走它。</translation>
    </message>
    <message>
        <source>已中断。固件已写入，镜头正在重启；新版本未经确认。</source>
        <translation>已中断。固件已写入，镜头正在重启；新版本未经确认。</translation>
    </message>
    <message>
        <source>已中断。镜头未被改动。</source>
        <translation>已中断。镜头未被改动。</translation>
    </message>
</context>
<context>
    <name>ProgressMeter</name>
    <message>
        <source>剩余 %1</source>
        <translation>剩余 %1</translation>
    </message>
</context>
<context>
    <name>Terminal</name>
    <message>
        <source>[y/N]</source>
        <translation>[y/N]</translation>
    </message>
    <message>
        <source>y (--yes)</source>
        <translation>y (--yes)</translation>
    </message>
    <message>
        <source>n (no answer)</source>
        <translation>n (no answer)</translation>
    </message>
</context>
</TS>
