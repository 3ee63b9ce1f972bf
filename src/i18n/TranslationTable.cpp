#include "i18n/TranslationTable.h"

namespace {

struct TableRow
{
    const char *chinese;
    const char *english;
};

// Inserted in this order; a later row with the same Chinese text replaces the earlier one.
constexpr TableRow kTableRows[] = {
    // Window and tabs
    { "OSC调试助手", "OSC Debug Tool" },
    { "数据可视化", "Chart" },  // replaced by the settings-pane row further down
    { "通信日志", "Log" },
    { "数据图表", "Chart" },
    { "已连接客户端", "Connected Clients" },  // listed again, alike, with the server tools

    // Connection and display settings
    { "连接设置", "Connection" },
    { "本地端口", "Local Port" },
    { "目标地址", "Target" },
    { "目标端口", "Target Port" },
    { "编码", "Encoding" },
    { "显示设置", "Display" },
    { "十六进制显示", "Hex Display" },
    { "显示时间戳", "Show Timestamp" },
    { "自动滚动", "Auto Scroll" },
    { "行间距", "Line Spacing" },
    { "字号", "Font Size" },
    { "数据可视化", "Data Visualization" },

    // Send area
    { "发送区", "Send" },
    { "刷新", "Refresh" },
    { "自动发送", "Auto Send" },
    { "间隔:", "Interval:" },

    // Chart page
    { "启用图表", "Enable Chart" },
    { "预设模板", "Preset Templates" },
    { "图表类型", "Chart Type" },
    { "规则名称", "Rule Name" },
    { "表达式 (正则/JSON路径)", "Expression (Regex/JSON)" },
    { "例: temperature 或 data\\.value", "e.g. temperature or data\\.value" },
    { "添加规则", "Add Rule" },
    { "智能分析", "Smart Analyze" },
    { "时间窗口:", "Time Window:" },
    { "清除图表数据", "Clear Chart Data" },
    { "自定义", "Custom" },
    { "温度/电压 折线", "Temp/Voltage Line" },
    { "JSON 多字段", "JSON Multi-Field" },
    { "百分比饼图", "Percentage Pie" },
    { "频率柱状图", "Frequency Bar" },
    { "折线图", "Line Chart" },
    { "平滑曲线", "Smooth Curve" },
    { "散点图", "Scatter Plot" },
    { "面积图", "Area Chart" },
    { "柱状图", "Bar Chart" },
    { "饼图", "Pie Chart" },
    { "时间", "Time" },
    { "数值", "Value" },
    { "频率", "Frequency" },
    { "未发现可用数值 — 请检查数据", "No values found — check data" },

    // Traffic log page
    { "重置计数", "Reset Counters" },
    { "清除日志", "Clear Log" },
    { "导出", "Export" },
    { "导出日志", "Export Log" },
    { "导出失败", "Export Failed" },
    { "录制", "Record" },
    { "停止录制", "Stop recording" },
    { "回放", "Replay" },

    // Header
    { "保存配置…", "Save setup…" },
    { "打开配置…", "Open setup…" },
    { "复制", "Copy" },
    { "复制全部", "Copy All" },

    // Header, tabs and send area
    { "📖 文档", "📖 Docs" },
    { "控制面板", "Control Panel" },
    { "地址:", "Address:" },
    { "类型:", "Type:" },
    { "参数:", "Args:" },

    // Control panel
    { "编辑模式", "Edit Mode" },
    { "拖拽移动 | 右下角拉伸 | 工具栏添加/删除", "Drag to move | Drag the lower-right corner to resize | Add/remove from the toolbar" },
    { "+ 推子", "+ Fader" },
    { "+ 按钮", "+ Button" },
    { "+ 旋钮", "+ Knob" },
    { "+ 标签", "+ Label" },
    { "删除", "Delete" },
    { "垂直滑块 — 拖动发送浮点数值", "Vertical slider — drag to send float values" },
    { "按压按钮 — 按下发送1.0，松开发送0.0", "Push button — sends 1.0 on press, 0.0 on release" },
    { "旋转旋钮 — 拖动/滚轮发送0.0~1.0", "Rotary knob — drag or scroll to send 0.0 to 1.0" },
    { "数值/文本显示器 — 接收OSC数值或字符串并显示，不发送", "Value/text display — shows received OSC numbers or strings, sends nothing" },
    { "吸附:", "Snap:" },
    { "关闭", "Off" },
    { "按住Shift可临时关闭吸附  |  Ctrl+滚轮缩放控件", "Hold Shift to pause snapping  |  Ctrl+wheel zooms the controls" },
    { "配置控件", "Configure Control" },
    { "OSC 地址:", "OSC Address:" },
    { "标签:", "Caption:" },
    { "颜色:", "Colour:" },
    { "青蓝", "Cyan" },
    { "翠绿", "Emerald" },
    { "琥珀", "Amber" },
    { "紫罗兰", "Violet" },
    { "玫红", "Pink" },
    { "靛蓝", "Indigo" },
    { "橙红", "Rose" },
    { "天蓝", "Sky" },

    // Built-in advertisements
    { "广告加载中...", "Loading ads..." },
    { "图片加载中...", "Loading image..." },
    { "🚀 Orvane Pro — 专业调试工具套件", "🚀 Orvane Pro — professional debugging suite" },
    { "📖 在线文档 — 查看完整使用指南", "📖 Online docs — the complete user guide" },
    { "⭐ 更多工具 — 探索 Kestrand 全系产品", "⭐ More tools — explore every Kestrand product" },

    // Server tools of the suite
    { "已连接客户端", "Connected Clients" },

    // Address table and datagram view
    { "地址", "Address" },
    { "类型标签", "Type Tags" },
    { "最新值", "Last Value" },
    { "次数", "Count" },
    { "速率 (/秒)", "Rate (/s)" },
    { "最后时间", "Last Seen" },
    { "最后发送方", "Last Sender" },
    { "(其他)", "(other)" },
    { "立即", "immediately" },
    { "过滤地址: /mix/* 或文字, ! 取反", "Filter addresses: /mix/* or text, ! inverts" },
    { "地址监视", "Addresses" },

    // Bundles opened in the log
    { "展开消息包", "Expand bundles" },

    // Log filter
    { "过滤: /地址/* 或文字", "Filter: /address/* or text" },

    // Relay and the composer's options
    { "转发", "Relay" },
    { "双向", "Both ways" },
    { "作为消息包发送", "Send as bundle" },
    { "原始字节", "Raw bytes" },

    // The network interface and multicast
    { "网络接口", "Interface" },
    { "所有接口", "All interfaces" },
    { "组播", "Multicast" },
    { "组播 TTL", "Multicast TTL" },
    { "例: 239.255.0.1", "e.g. 239.255.0.1" },
    { "传输", "Transport" },
    { "分帧", "Framing" },
    { "发送到", "Send to" },
    { "TCP 客户端", "TCP client" },
    { "TCP 服务器", "TCP server" },
    { "长度前缀 (OSC 1.0)", "Length prefix (OSC 1.0)" },
    { "所有连接", "All connections" },
    { "自动", "Auto" },
};

} // namespace

TranslationTable::TranslationTable()
{
    for (const TableRow &row : kTableRows)
        m_rows.insert(QString::fromUtf8(row.chinese), QString::fromUtf8(row.english));
}

QString TranslationTable::translate(const QString &text) const
{
    return m_rows.value(text, text);
}

int TranslationTable::size() const
{
    return int(m_rows.size());
}
