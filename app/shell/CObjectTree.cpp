// app/shell/CObjectTree.cpp
#include "app/shell/CObjectTree.h"

#include <QHeaderView>
#include <algorithm>

#include "app/shell/CArtwork.h"
#include "engine/core/CSQLServerEngine.h"

namespace {
constexpr int kKindRole = Qt::UserRole;
constexpr int kDataRole = Qt::UserRole + 1;
constexpr int kObjectIdRole = Qt::UserRole + 2;

// Column label: the length is shown for the types whose length the user chose.
QString ColumnLabel(const CColumnInfo& column) {
    static const std::set<std::string> setWithLength = {"varchar",   "nvarchar", "ntext", "text",
                                                        "varbinary", "char",     "nchar"};
    const QString strName = QString::fromStdString(column.m_strName);
    const QString strType = QString::fromStdString(column.m_strType);
    if (setWithLength.contains(column.m_strType))
        return QStringLiteral("%1 (%2 (%3))").arg(strName, strType).arg(column.m_nLength);
    return QStringLiteral("%1 (%2)").arg(strName, strType);
}

// "a, b DESC"; a column the catalog named but the table lacks shows as "?".
QString KeyColumns(const std::vector<CIndexColumn>& vecColumns) {
    QStringList lstColumns;
    for (const CIndexColumn& column : vecColumns) {
        QString strColumn = column.m_strName.empty() ? QStringLiteral("?")
                                                     : QString::fromStdString(column.m_strName);
        if (column.m_bDescending)
            strColumn += QStringLiteral(" DESC");
        lstColumns << strColumn;
    }
    return lstColumns.join(QStringLiteral(", "));
}

QString Names(const std::vector<std::string>& vecNames) {
    QStringList lstNames;
    for (const std::string& strName : vecNames)
        lstNames << (strName.empty() ? QStringLiteral("?") : QString::fromStdString(strName));
    return lstNames.join(QStringLiteral(", "));
}

QString OrUnnamed(const std::string& strName) {
    return strName.empty() ? QStringLiteral("(unnamed)") : QString::fromStdString(strName);
}

void SortChildren(QTreeWidgetItem* pParent) {
    QList<QTreeWidgetItem*> lstChildren = pParent->takeChildren();
    std::stable_sort(lstChildren.begin(), lstChildren.end(),
                     [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
                         return a->text(0).compare(b->text(0), Qt::CaseInsensitive) < 0;
                     });
    pParent->addChildren(lstChildren);
}
}  // namespace

CObjectTree::CObjectTree(QWidget* pParent) : QTreeWidget(pParent) {
    setObjectName(QStringLiteral("objectTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);

    m_pRoot = AddNode(nullptr, QString::fromLatin1(kNoDatabase), ENodeKind::Root,
                      CArtwork::Icon(CArtwork::EIcon::Database));
    const std::pair<const char*, CArtwork::EIcon> arrCategories[kCategoryCount] = {
        {"Tables", CArtwork::EIcon::Tables},
        {"Views", CArtwork::EIcon::View},
        {"Stored Procedures", CArtwork::EIcon::Procedure},
        {"Rules", CArtwork::EIcon::Rule},
        {"Triggers", CArtwork::EIcon::Trigger},
        {"Functions", CArtwork::EIcon::Function},
    };
    for (int i = 0; i < kCategoryCount; ++i) {
        m_arrCategories[i] = AddNode(m_pRoot, QString::fromLatin1(arrCategories[i].first),
                                     ENodeKind::Category, CArtwork::Icon(arrCategories[i].second));
    }
    m_pRoot->setExpanded(true);
}

QTreeWidgetItem* CObjectTree::AddNode(QTreeWidgetItem* pParent, const QString& strText,
                                      ENodeKind eKind, const QIcon& icon, const void* pData) {
    auto* pItem = pParent != nullptr ? new QTreeWidgetItem(pParent) : new QTreeWidgetItem(this);
    pItem->setText(0, strText);
    pItem->setIcon(0, icon);
    pItem->setData(0, kKindRole, static_cast<int>(eKind));
    pItem->setData(0, kDataRole, QVariant::fromValue(reinterpret_cast<quintptr>(pData)));
    return pItem;
}

void CObjectTree::ClearCategories() {
    for (QTreeWidgetItem* pCategory : m_arrCategories)
        qDeleteAll(pCategory->takeChildren());
}

void CObjectTree::CollapseCategories() {
    for (QTreeWidgetItem* pCategory : m_arrCategories)
        pCategory->setExpanded(false);
}

void CObjectTree::FillObjectTree(const CSQLServerEngine& engine, const QString& strVersionLabel) {
    setUpdatesEnabled(false);
    m_pRoot->setText(0, QString::fromStdString(engine.m_strDatabaseName) + strVersionLabel);
    ClearCategories();
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        if (!pTable->m_strName.empty())
            AddTable(*pTable);
    }
    AddObjects(kViews, CArtwork::Icon(CArtwork::EIcon::View), engine.m_mapViews, true);
    AddObjects(kProcedures, CArtwork::Icon(CArtwork::EIcon::Procedure), engine.m_mapProcedures,
               false);
    AddObjects(kRules, CArtwork::Icon(CArtwork::EIcon::Rule), engine.m_mapRules, false);
    AddObjects(kTriggers, CArtwork::Icon(CArtwork::EIcon::Trigger), engine.m_mapTriggers, false);
    AddObjects(kFunctions, CArtwork::Icon(CArtwork::EIcon::Function), engine.m_mapFunctions, false);
    // Functions keep the catalog's order; the other categories are sorted by name.
    for (ECategory eCategory : {kTables, kViews, kProcedures, kRules, kTriggers})
        SortChildren(m_arrCategories[eCategory]);
    setUpdatesEnabled(true);
}

void CObjectTree::AddTable(CTable& table) {
    QTreeWidgetItem* pTable =
        AddNode(m_arrCategories[kTables], QString::fromStdString(table.m_strName), ENodeKind::Table,
                CArtwork::Icon(CArtwork::EIcon::Table), &table);
    pTable->setData(0, kObjectIdRole, table.m_nObjectId);
    // Bold: the page scan found records for this table.
    if (!table.m_vecPages.empty()) {
        QFont font = pTable->font(0);
        font.setBold(true);
        pTable->setFont(0, font);
    }
    QTreeWidgetItem* pColumns = AddNode(pTable, QStringLiteral("Columns"), ENodeKind::Columns,
                                        CArtwork::Icon(CArtwork::EIcon::Columns), &table);
    QTreeWidgetItem* pKeys = AddNode(pTable, QStringLiteral("Keys"), ENodeKind::Keys,
                                     CArtwork::Icon(CArtwork::EIcon::Keys), &table);
    QTreeWidgetItem* pIndexes = AddNode(pTable, QStringLiteral("Indexes"), ENodeKind::Indexes,
                                        CArtwork::Icon(CArtwork::EIcon::Index), &table);
    for (const CColumnInfo& column : table.m_vecColumns) {
        if (column.m_bDeleted == 0) {
            AddNode(pColumns, ColumnLabel(column), ENodeKind::Column,
                    CArtwork::Icon(CArtwork::EIcon::Column), &table);
        }
    }
    // Keys: the primary key, unique constraints and foreign keys; Indexes: every index with its
    // columns in key order.
    for (const CKeyConstraint& key : table.m_vecKeys) {
        QTreeWidgetItem* pKey = AddNode(
            pKeys,
            QStringLiteral("%1 (%2)").arg(OrUnnamed(key.m_strName), KeyColumns(key.m_vecColumns)),
            ENodeKind::Key, CArtwork::Icon(CArtwork::EIcon::Keys));
        pKey->setToolTip(
            0, QStringLiteral("%1, %2").arg(key.m_bPrimaryKey ? QStringLiteral("Primary key")
                                                              : QStringLiteral("Unique constraint"),
                                            key.m_bClustered ? QStringLiteral("clustered")
                                                             : QStringLiteral("nonclustered")));
    }
    for (const CForeignKey& key : table.m_vecForeignKeys) {
        const QString strReferenced = key.m_strReferencedTable.empty()
                                          ? QStringLiteral("?")
                                          : QString::fromStdString(key.m_strReferencedTable);
        QTreeWidgetItem* pKey = AddNode(pKeys,
                                        QStringLiteral("%1 (%2) \u2192 %3 (%4)")
                                            .arg(OrUnnamed(key.m_strName), Names(key.m_vecColumns),
                                                 strReferenced, Names(key.m_vecReferencedColumns)),
                                        ENodeKind::Key, CArtwork::Icon(CArtwork::EIcon::Keys));
        pKey->setToolTip(0,
                         QStringLiteral("Foreign key, on delete %1, on update %2")
                             .arg(QString::fromLatin1(CForeignKey::ActionText(key.m_eOnDelete)),
                                  QString::fromLatin1(CForeignKey::ActionText(key.m_eOnUpdate))));
    }
    for (const CTableIndex& index : table.m_vecIndexes) {
        QTreeWidgetItem* pIndex =
            AddNode(pIndexes,
                    QStringLiteral("%1 (%2)").arg(OrUnnamed(index.m_strName),
                                                  KeyColumns(index.m_vecColumns)),
                    ENodeKind::Index, CArtwork::Icon(CArtwork::EIcon::Index));
        QStringList lstKind;
        if (index.m_bUnique)
            lstKind << QStringLiteral("unique");
        lstKind << (index.m_bClustered ? QStringLiteral("clustered")
                                       : QStringLiteral("nonclustered"));
        pIndex->setToolTip(0, lstKind.join(QLatin1Char(' ')) + QStringLiteral(" index"));
    }
    for (const auto& [strKey, pIndex] : table.m_mapIndexes) {
        if (pIndex->m_arrFlags[1] || pIndex->m_arrFlags[2]) {
            AddNode(pIndexes, QString::fromStdString(pIndex->m_strName), ENodeKind::Index,
                    CArtwork::Icon(CArtwork::EIcon::Index));
        }
    }
}

void CObjectTree::AddObjects(ECategory eCategory, const QIcon& icon, const auto& map,
                             bool bNeedsText) {
    for (const auto& [strKey, pObject] : map) {
        if (pObject->m_strName.empty() || (bNeedsText && pObject->m_strText.empty()))
            continue;
        AddNode(m_arrCategories[eCategory], QString::fromStdString(pObject->m_strName),
                ENodeKind::Object, icon, pObject.get());
    }
}

void CObjectTree::MarkDamagedTables(const std::set<int>& setObjectIds) {
    QTreeWidgetItem* pTables = m_arrCategories[kTables];
    for (int i = 0; i < pTables->childCount(); ++i) {
        QTreeWidgetItem* pTable = pTables->child(i);
        const bool bDamaged = setObjectIds.contains(pTable->data(0, kObjectIdRole).toInt());
        pTable->setIcon(
            0, CArtwork::Icon(bDamaged ? CArtwork::EIcon::TableDamaged : CArtwork::EIcon::Table));
        pTable->setToolTip(
            0, bDamaged ? QStringLiteral("Damaged records: see View > Damage report") : QString());
    }
}

CObjectTree::ENodeKind CObjectTree::KindOf(const QTreeWidgetItem* pItem) {
    return static_cast<ENodeKind>(pItem->data(0, kKindRole).toInt());
}

CTable* CObjectTree::TableOf(const QTreeWidgetItem* pItem) {
    if (pItem == nullptr || KindOf(pItem) != ENodeKind::Table)
        return nullptr;
    return reinterpret_cast<CTable*>(pItem->data(0, kDataRole).value<quintptr>());
}

CViewStoredProc* CObjectTree::ObjectOf(const QTreeWidgetItem* pItem) {
    if (pItem == nullptr || KindOf(pItem) != ENodeKind::Object)
        return nullptr;
    return reinterpret_cast<CViewStoredProc*>(pItem->data(0, kDataRole).value<quintptr>());
}
