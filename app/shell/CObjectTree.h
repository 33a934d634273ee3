// app/shell/CObjectTree.h
#pragma once

#include <QTreeWidget>
#include <set>

class CSQLServerEngine;
class CTable;
class CViewStoredProc;

// The object tree: the database, six categories and the recovered objects below them.
class CObjectTree : public QTreeWidget {
    Q_OBJECT

  public:
    enum class ENodeKind {
        Root,
        Category,
        Table,
        Columns,
        Keys,
        Indexes,
        Column,
        Index,
        Object,  // a view, procedure, rule, trigger or function
        Key,     // a primary key, unique constraint or foreign key
    };
    enum ECategory { kTables, kViews, kProcedures, kRules, kTriggers, kFunctions, kCategoryCount };

    static constexpr const char* kNoDatabase = "<Database Name>";

    explicit CObjectTree(QWidget* pParent = nullptr);

    QTreeWidgetItem* Root() const { return m_pRoot; }
    QTreeWidgetItem* Category(ECategory eCategory) const { return m_arrCategories[eCategory]; }
    // Deletes every child of the six categories; the root and the categories stay.
    void ClearCategories();
    void CollapseCategories();
    // Fills the categories from the engine's catalog; the root reads the database name followed
    // by the version label.
    void FillObjectTree(const CSQLServerEngine& engine, const QString& strVersionLabel);
    // Tables whose records are damaged get a warning icon.
    void MarkDamagedTables(const std::set<int>& setObjectIds);

    static ENodeKind KindOf(const QTreeWidgetItem* pItem);
    static CTable* TableOf(const QTreeWidgetItem* pItem);
    static CViewStoredProc* ObjectOf(const QTreeWidgetItem* pItem);

  private:
    QTreeWidgetItem* AddNode(QTreeWidgetItem* pParent, const QString& strText, ENodeKind eKind,
                             const QIcon& icon, const void* pData = nullptr);
    void AddTable(CTable& table);
    void AddObjects(ECategory eCategory, const QIcon& icon, const auto& map, bool bNeedsText);

    QTreeWidgetItem* m_pRoot = nullptr;
    QTreeWidgetItem* m_arrCategories[kCategoryCount] = {};
};
