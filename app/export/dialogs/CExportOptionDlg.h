// app/export/dialogs/CExportOptionDlg.h
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "app/export/job/SExportOptions.h"

class CObjectTree;
class COdbcConnection;
class CTable;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

// Where the recovered database goes and what goes there: a database over ODBC or a folder of
// scripts, schema only or with data, deleted records or not, and which objects. Export/Save
// validates, opens the destination connection (database) or asks for the folder (scripts), and
// only then accepts; every failure leaves the dialog open. The window reads the members after
// the dialog was accepted.
class CExportOptionDlg : public QDialog {
    Q_OBJECT

  public:
    // The selection tree copies the window's tree; tables in vecPreselected (a table's context
    // menu) start checked alone, otherwise everything starts checked.
    CExportOptionDlg(const CObjectTree& objectTree, const std::string& strDatabaseName,
                     const std::vector<CTable*>& vecPreselected, QWidget* pParent = nullptr);
    ~CExportOptionDlg() override;

    // The dialog ended with a valid choice.
    bool m_bConfirmed = false;
    bool m_bToDatabase = false;
    bool m_bWithData = false;
    bool m_bWithDeleted = false;
    // The open destination connection (database target); the export takes it over.
    std::unique_ptr<COdbcConnection> m_pConnection;
    QString m_strServer;
    QString m_strUser;
    QString m_strPassword;
    QString m_strDatabase;
    QString m_strOutputDir;
    SExportSelection m_selection;

    // The connect string of the export's table workers (DATABASE included).
    std::string WorkerConnectString() const;
    QTreeWidget* SelectionTree() const { return m_pTree; }

  public slots:
    void OnExportSave();
    void OnSelectAll();
    void OnSelectNone();

  protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

  private:
    void BuildTree(const CObjectTree& objectTree, const std::vector<CTable*>& vecPreselected);
    void OnTargetChanged();
    void OnItemChanged(QTreeWidgetItem* pItem);
    void SetChecked(QTreeWidgetItem* pItem, bool bChecked);
    bool OpenConnection();
    void CollectSelection();
    // A message for the user: the driver's text without the password.
    QString WithoutPassword(const std::string& strText) const;

    QRadioButton* m_pDatabase = nullptr;
    QRadioButton* m_pScripts = nullptr;
    QLineEdit* m_pServer = nullptr;
    QLineEdit* m_pDatabaseName = nullptr;
    QLineEdit* m_pUser = nullptr;
    QLineEdit* m_pPassword = nullptr;
    QCheckBox* m_pCreate = nullptr;
    QList<QLabel*> m_lstCredentialLabels;
    QTreeWidget* m_pTree = nullptr;
    QTreeWidgetItem* m_pRoot = nullptr;
    QTreeWidgetItem* m_arrCategories[6] = {};
    QRadioButton* m_pSchemaOnly = nullptr;
    QRadioButton* m_pSchemaData = nullptr;
    bool m_bPropagating = false;
};
