// app/export/dialogs/CExportOptionDlg.cpp
#include "app/export/dialogs/CExportOptionDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/export/job/CConnectString.h"
#include "app/shell/CObjectTree.h"
#include "app/shell/CUserPrompts.h"
#include "common/OdbcConnection.h"
#include "engine/scripts/SqlText.h"

namespace {
constexpr int kDataRole = Qt::UserRole;
constexpr const char* kCategoryNames[] = {"TABLES", "VIEWS",    "STORED PROCEDURE",
                                          "RULES",  "TRIGGERS", "FUNCTIONS"};

std::string Std(const QString& strText) {
    return strText.toStdString();
}
}  // namespace

CExportOptionDlg::CExportOptionDlg(const CObjectTree& objectTree,
                                   const std::string& strDatabaseName,
                                   const std::vector<CTable*>& vecPreselected, QWidget* pParent)
    : QDialog(pParent) {
    setObjectName(QStringLiteral("exportOptionDialog"));
    setWindowTitle(QStringLiteral("SQL Server Recovery Export Option"));

    auto* pTargetBox = new QGroupBox(QStringLiteral("Export To/As"), this);
    m_pDatabase = new QRadioButton(QStringLiteral("SQL Server Database"), pTargetBox);
    m_pDatabase->setObjectName(QStringLiteral("rbDatabase"));
    m_pScripts = new QRadioButton(QStringLiteral("SQL Server Compatible SQL Scripts"), pTargetBox);
    m_pScripts->setObjectName(QStringLiteral("rbScripts"));
    auto* pTargetLayout = new QVBoxLayout(pTargetBox);
    pTargetLayout->addWidget(m_pDatabase);
    pTargetLayout->addWidget(m_pScripts);

    auto* pCredentials = new QGroupBox(QStringLiteral("Database Credentials"), this);
    auto* pGrid = new QGridLayout(pCredentials);
    auto addField = [&](int nRow, const char* pszLabel, const char* pszName) {
        auto* pLabel = new QLabel(QString::fromLatin1(pszLabel), pCredentials);
        auto* pEdit = new QLineEdit(pCredentials);
        pEdit->setObjectName(QLatin1String(pszName));
        pLabel->setBuddy(pEdit);
        pGrid->addWidget(pLabel, nRow, 0);
        pGrid->addWidget(pEdit, nRow, 1);
        m_lstCredentialLabels << pLabel;
        return pEdit;
    };
    m_pServer = addField(0, "Server Name :", "edServer");
    m_pDatabaseName = addField(1, "Database Name :", "edDatabase");
    m_pUser = addField(2, "User Name :", "edUser");
    m_pPassword = addField(3, "Password :", "edPassword");
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pCreate = new QCheckBox(QStringLiteral("Create destination database"), pCredentials);
    m_pCreate->setObjectName(QStringLiteral("chkCreateDatabase"));
    pGrid->addWidget(m_pCreate, 4, 0, 1, 2);

    m_pTree = new QTreeWidget(this);
    m_pTree->setObjectName(QStringLiteral("selectionTree"));
    m_pTree->setHeaderHidden(true);
    m_pTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTree->installEventFilter(this);
    auto* pSelectAll = new QPushButton(QStringLiteral("Select all"), this);
    pSelectAll->setObjectName(QStringLiteral("btnSelectAll"));
    auto* pSelectNone = new QPushButton(QStringLiteral("Select none"), this);
    pSelectNone->setObjectName(QStringLiteral("btnSelectNone"));

    auto* pContentBox = new QGroupBox(QStringLiteral("Export"), this);
    m_pSchemaOnly = new QRadioButton(QStringLiteral("With only schema"), pContentBox);
    m_pSchemaOnly->setObjectName(QStringLiteral("rbSchemaOnly"));
    m_pSchemaData = new QRadioButton(QStringLiteral("With Schema && Data"), pContentBox);
    m_pSchemaData->setObjectName(QStringLiteral("rbSchemaData"));
    auto* pContentLayout = new QVBoxLayout(pContentBox);
    pContentLayout->addWidget(m_pSchemaOnly);
    pContentLayout->addWidget(new QLabel(QStringLiteral("(This option will only create schema for "
                                                        "the selected tables/views/ procedures)"),
                                         pContentBox));
    pContentLayout->addWidget(m_pSchemaData);
    pContentLayout->addWidget(
        new QLabel(QStringLiteral("(This option will export schema  as well data for the table)"),
                   pContentBox));

    auto* pExport = new QPushButton(QStringLiteral("Export/Save"), this);
    pExport->setObjectName(QStringLiteral("btnExportSave"));
    pExport->setDefault(true);
    auto* pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    pCancel->setObjectName(QStringLiteral("btnCancel"));

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pTargetBox);
    pLeft->addWidget(pCredentials);
    pLeft->addWidget(pContentBox);
    pLeft->addStretch(1);
    auto* pSelectButtons = new QHBoxLayout;
    pSelectButtons->addWidget(pSelectAll);
    pSelectButtons->addWidget(pSelectNone);
    pSelectButtons->addStretch(1);
    auto* pRight = new QVBoxLayout;
    pRight->addWidget(m_pTree, 1);
    pRight->addLayout(pSelectButtons);
    auto* pColumns = new QHBoxLayout;
    pColumns->addLayout(pLeft);
    pColumns->addLayout(pRight, 1);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(pExport);
    pButtons->addWidget(pCancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pColumns, 1);
    pLayout->addLayout(pButtons);
    resize(820, 500);

    m_pDatabaseName->setText(QString::fromStdString(strDatabaseName) +
                             QStringLiteral("_Recovered"));
    m_pDatabase->setChecked(true);
    m_pSchemaData->setChecked(true);
    m_pCreate->setChecked(true);
    BuildTree(objectTree, vecPreselected);

    connect(m_pDatabase, &QRadioButton::toggled, this, &CExportOptionDlg::OnTargetChanged);
    connect(m_pTree, &QTreeWidget::itemChanged, this, &CExportOptionDlg::OnItemChanged);
    connect(pSelectAll, &QPushButton::clicked, this, &CExportOptionDlg::OnSelectAll);
    connect(pSelectNone, &QPushButton::clicked, this, &CExportOptionDlg::OnSelectNone);
    connect(pExport, &QPushButton::clicked, this, &CExportOptionDlg::OnExportSave);
    connect(pCancel, &QPushButton::clicked, this, &CExportOptionDlg::reject);
    OnTargetChanged();
}

CExportOptionDlg::~CExportOptionDlg() = default;

void CExportOptionDlg::BuildTree(const CObjectTree& objectTree,
                                 const std::vector<CTable*>& vecPreselected) {
    const bool bAll = vecPreselected.empty();
    const Qt::CheckState eStart = bAll ? Qt::Checked : Qt::Unchecked;
    m_pRoot = new QTreeWidgetItem(m_pTree, {objectTree.Root()->text(0)});
    m_pRoot->setFlags(m_pRoot->flags() | Qt::ItemIsUserCheckable);
    m_pRoot->setCheckState(0, eStart);
    for (int i = 0; i < CObjectTree::kCategoryCount; ++i) {
        const auto eCategory = static_cast<CObjectTree::ECategory>(i);
        auto* pCategory = new QTreeWidgetItem(m_pRoot, {QString::fromLatin1(kCategoryNames[i])});
        pCategory->setFlags(pCategory->flags() | Qt::ItemIsUserCheckable);
        pCategory->setCheckState(0, eStart);
        m_arrCategories[i] = pCategory;
        const QTreeWidgetItem* pSource = objectTree.Category(eCategory);
        for (int j = 0; j < pSource->childCount(); ++j) {
            const QTreeWidgetItem* pChild = pSource->child(j);
            auto* pItem = new QTreeWidgetItem(pCategory, {pChild->text(0)});
            pItem->setFlags(pItem->flags() | Qt::ItemIsUserCheckable);
            pItem->setFont(0, pChild->font(0));  // a bold table stays bold
            pItem->setIcon(0, pChild->icon(0));
            const void* pObject = eCategory == CObjectTree::kTables
                                      ? static_cast<const void*>(CObjectTree::TableOf(pChild))
                                      : static_cast<const void*>(CObjectTree::ObjectOf(pChild));
            pItem->setData(0, kDataRole, QVariant::fromValue(reinterpret_cast<quintptr>(pObject)));
            bool bChecked = bAll;
            if (!bAll && eCategory == CObjectTree::kTables) {
                bChecked = std::find(vecPreselected.begin(), vecPreselected.end(),
                                     CObjectTree::TableOf(pChild)) != vecPreselected.end();
            }
            pItem->setCheckState(0, bChecked ? Qt::Checked : Qt::Unchecked);
        }
        pCategory->setExpanded(eCategory != CObjectTree::kTriggers);
    }
    m_pRoot->setExpanded(true);
    m_pTree->setCurrentItem(m_pRoot);
}

void CExportOptionDlg::OnTargetChanged() {
    const bool bDatabase = m_pDatabase->isChecked();
    for (QWidget* pWidget :
         {static_cast<QWidget*>(m_pServer), static_cast<QWidget*>(m_pDatabaseName),
          static_cast<QWidget*>(m_pUser), static_cast<QWidget*>(m_pPassword),
          static_cast<QWidget*>(m_pCreate)}) {
        pWidget->setEnabled(bDatabase);
    }
    for (QLabel* pLabel : m_lstCredentialLabels)
        pLabel->setEnabled(bDatabase);
}

void CExportOptionDlg::SetChecked(QTreeWidgetItem* pItem, bool bChecked) {
    pItem->setCheckState(0, bChecked ? Qt::Checked : Qt::Unchecked);
}

void CExportOptionDlg::OnItemChanged(QTreeWidgetItem* pItem) {
    if (m_bPropagating)
        return;
    m_bPropagating = true;
    const bool bChecked = pItem->checkState(0) == Qt::Checked;
    if (pItem == m_pRoot) {
        for (QTreeWidgetItem* pCategory : m_arrCategories) {
            SetChecked(pCategory, bChecked);
            for (int j = 0; j < pCategory->childCount(); ++j)
                SetChecked(pCategory->child(j), bChecked);
        }
    } else if (pItem->parent() == m_pRoot) {
        for (int j = 0; j < pItem->childCount(); ++j)
            SetChecked(pItem->child(j), bChecked);
        bool bAllCategories = true;
        for (const QTreeWidgetItem* pCategory : m_arrCategories)
            bAllCategories = bAllCategories && pCategory->checkState(0) == Qt::Checked;
        SetChecked(m_pRoot, bChecked && bAllCategories);
    } else if (!bChecked) {
        // Checking an object changes only that object; unchecking one says its category (and
        // the database) is no longer exported whole.
        SetChecked(pItem->parent(), false);
        SetChecked(m_pRoot, false);
    }
    m_bPropagating = false;
}

void CExportOptionDlg::OnSelectAll() {
    SetChecked(m_pRoot, true);
}

void CExportOptionDlg::OnSelectNone() {
    SetChecked(m_pRoot, false);
}

bool CExportOptionDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pTree && pEvent->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Space) {
        // Space toggles every selected item, each by the rules of a click on it; the current
        // item decides which way.
        QList<QTreeWidgetItem*> lstItems = m_pTree->selectedItems();
        QTreeWidgetItem* pCurrent = m_pTree->currentItem();
        if (lstItems.isEmpty() && pCurrent)
            lstItems << pCurrent;
        if (lstItems.isEmpty())
            return true;
        const QTreeWidgetItem* pLead = lstItems.contains(pCurrent) ? pCurrent : lstItems.front();
        const bool bCheck = pLead->checkState(0) != Qt::Checked;
        for (QTreeWidgetItem* pItem : lstItems)
            SetChecked(pItem, bCheck);
        return true;
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

QString CExportOptionDlg::WithoutPassword(const std::string& strText) const {
    return QString::fromStdString(CConnectString::Masked(strText, Std(m_strPassword)));
}

std::string CExportOptionDlg::WorkerConnectString() const {
    return CConnectString::Build(Std(m_strServer), Std(m_strUser), Std(m_strPassword),
                                 Std(m_strDatabase));
}

bool CExportOptionDlg::OpenConnection() {
    auto pConnection = std::make_unique<COdbcConnection>();
    const bool bCreate = m_pCreate->isChecked();
    try {
        pConnection->Open(CConnectString::Build(Std(m_strServer), Std(m_strUser),
                                                Std(m_strPassword),
                                                bCreate ? std::string() : Std(m_strDatabase)));
    } catch (const COdbcError& error) {
        CUserPrompts::Warning(this, QStringLiteral("Could not connect to the database server:\n%1")
                                        .arg(WithoutPassword(error.what())));
        return false;
    }
    if (bCreate) {
        m_strDatabase = m_pDatabaseName->text();
        const std::string strName = SqlText::Bracket(Std(m_strDatabase));
        try {
            pConnection->Execute("Create database " + strName + ";");
            pConnection->Execute("use " + strName + ";");
        } catch (const COdbcError& error) {
            // Most often the database exists: the user may rename it or uncheck the box.
            CUserPrompts::Warning(this, QStringLiteral("The database %1 could not be created:\n%2")
                                            .arg(m_strDatabase, WithoutPassword(error.what())));
            return false;
        }
    }
    m_pConnection = std::move(pConnection);
    return true;
}

void CExportOptionDlg::CollectSelection() {
    m_selection = SExportSelection{};
    std::vector<CViewStoredProc*>* arrLists[] = {
        nullptr,
        &m_selection.vecViews,
        &m_selection.vecProcedures,
        &m_selection.vecRules,
        &m_selection.vecTriggers,
        &m_selection.vecFunctions,
    };
    for (int i = 0; i < CObjectTree::kCategoryCount; ++i) {
        const QTreeWidgetItem* pCategory = m_arrCategories[i];
        for (int j = 0; j < pCategory->childCount(); ++j) {
            const QTreeWidgetItem* pItem = pCategory->child(j);
            if (pItem->checkState(0) != Qt::Checked)
                continue;
            void* pObject = reinterpret_cast<void*>(pItem->data(0, kDataRole).value<quintptr>());
            if (!pObject)
                continue;
            if (i == CObjectTree::kTables)
                m_selection.vecTables.push_back(static_cast<CTable*>(pObject));
            else
                arrLists[i]->push_back(static_cast<CViewStoredProc*>(pObject));
        }
    }
    m_bWithData = m_pSchemaData->isChecked();
}

void CExportOptionDlg::OnExportSave() {
    m_bConfirmed = false;
    m_strPassword = m_pPassword->text();
    m_strServer = m_pServer->text();
    m_strUser = m_pUser->text();
    m_strDatabase = m_pDatabaseName->text();
    const bool bDatabase = m_pDatabase->isChecked();
    if (bDatabase && m_strServer.isEmpty()) {
        CUserPrompts::Warning(this, QStringLiteral(" Server Name field cannot be empty "));
        return;
    }
    if (bDatabase && m_strDatabase.isEmpty()) {
        CUserPrompts::Warning(this, QStringLiteral(" Database Name field cannot be empty "));
        return;
    }
    if (m_pSchemaData->isChecked()) {
        m_bWithDeleted = CUserPrompts::Ask(
            this, QStringLiteral("Do you want to export deleted records as well ?"));
    } else {
        m_bWithDeleted = false;
        if (!CUserPrompts::Ask(
                this, QStringLiteral("Are you sure you want to export schema without data ?")))
            return;
    }

    if (bDatabase) {
        if (!OpenConnection())
            return;
        CUserPrompts::Notice(
            this, QStringLiteral("        Connection to database server successful!!      "));
        m_bToDatabase = true;
    } else {
        const QString strFolder = CUserPrompts::FolderName(
            this, QStringLiteral(" Please select a folder to save the .sql files "));
        if (strFolder.isEmpty())
            return;
        m_strOutputDir = strFolder;
        m_bToDatabase = false;
    }
    m_bConfirmed = true;
    CollectSelection();
    accept();
}
