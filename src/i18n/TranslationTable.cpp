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

    // Server tools of the suite
    { "已连接客户端", "Connected Clients" },
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
