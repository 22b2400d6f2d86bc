<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>Widget</name>
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
</context>
<context>
    <name>UpdateGuideWidget</name>
</context>
</TS>
