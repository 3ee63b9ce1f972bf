#include "monitor/AddressTableFilter.h"

#include "monitor/AddressTableModel.h"
#include "osc/OscAddressPattern.h"

namespace {

constexpr QChar InvertLead(u'!');
constexpr QChar PatternLead(u'/');

} // namespace

AddressTableFilter::AddressTableFilter(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(AddressTableModel::SortRole);
}

void AddressTableFilter::setFilterText(const QString &text)
{
    const QString trimmed = text.trimmed();
    m_inverted = trimmed.startsWith(InvertLead);
    m_text = m_inverted ? trimmed.mid(1) : trimmed;
    m_pattern = m_text.startsWith(PatternLead);
    invalidateFilter();
}

bool AddressTableFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_text.isEmpty())
        return true;
    const QModelIndex address = sourceModel()->index(sourceRow, AddressTableModel::AddressColumn, sourceParent);
    const bool matched = m_pattern
        ? OscAddressPattern::matches(m_text, address.data(AddressTableModel::AddressRole).toString())
        : address.data().toString().contains(m_text, Qt::CaseInsensitive);
    return matched != m_inverted;
}
