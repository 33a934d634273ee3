// Writes the bundled sample database "Bookstore" to the path given as the only argument.
// Everything comes from fixed tables and a fixed pseudo-random sequence, so every run writes
// the same bytes.

#include <cstdint>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"

using namespace fixtures;

namespace {

// Small linear congruential generator: deterministic across platforms, unlike <random>'s
// distributions.
class CSequence {
  public:
    explicit CSequence(std::uint32_t nSeed) : m_nState(nSeed) {}
    std::uint32_t Next(std::uint32_t nBound) {
        m_nState = m_nState * 1664525u + 1013904223u;
        return (m_nState >> 8) % nBound;
    }

  private:
    std::uint32_t m_nState;
};

Value V(Bytes bytes) {
    return Value(std::move(bytes));
}
const Value kNull = std::nullopt;

SColumnSpec Col(const std::string& strName, std::uint8_t nType, std::uint16_t nLength,
                bool bNullable, std::uint8_t nPrecision = 0, std::uint8_t nScale = 0) {
    SColumnSpec col;
    col.strName = strName;
    col.nTypeId = nType;
    col.nLength = nLength;
    col.bNullable = bNullable;
    col.nPrecision = nPrecision;
    col.nScale = nScale;
    return col;
}

const char* const kFirstNames[] = {"Ada",   "Brian", "Clara", "Daniel", "Edith", "Felix", "Grace",
                                   "Henry", "Iris",  "Jonas", "Karen",  "Liam",  "Maria", "Nora",
                                   "Oscar", "Paula", "Quinn", "Rosa",   "Simon", "Tessa"};
const char* const kLastNames[] = {"O'Brien", "Lindqvist", "Moreau",   "Tanaka",   "Okafor",
                                  "Novak",   "Fischer",   "Almeida",  "Kowalski", "Haddad",
                                  "Brennan", "Ivanova",   "Castillo", "Nakamura", "Schmidt",
                                  "Dubois",  "Larsen",    "Rossi",    "Petrov",   "Walsh"};
const char* const kTitleWords[] = {"Silent", "River",   "Winter", "Garden",  "Stone", "Harbor",
                                   "Paper",  "Lantern", "North",  "Orchard", "Iron",  "Glass",
                                   "Falcon", "Meadow",  "Copper", "Tide"};

std::string MakeReportProcedure() {
    // A long body so that the definition needs several syscomments chunks.
    std::string strText =
        "CREATE PROCEDURE dbo.spMonthlyReport @Year int, @Month int\r\nAS\r\nBEGIN\r\n"
        "    SET NOCOUNT ON\r\n";
    for (int i = 1; i <= 60; ++i) {
        strText +=
            "    -- step " + std::to_string(i) +
            ": totals per customer, book and day of the requested month\r\n"
            "    SELECT o.CustomerID, o.BookID, SUM(o.Quantity) AS Qty, SUM(o.Total) AS Amount\r\n"
            "    FROM dbo.Orders o WHERE YEAR(o.OrderDate) = @Year AND MONTH(o.OrderDate) = "
            "@Month\r\n"
            "    GROUP BY o.CustomerID, o.BookID\r\n";
    }
    strText += "END\r\n";
    return strText;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_sample <output .mdf>\n";
        return 2;
    }
    try {
        CDataFileBuilder builder("Bookstore");
        CSequence seq(20040315);

        const std::uint16_t nZip = builder.AddUserType("Zip", kTypeChar, 5);
        const std::uint32_t nDefZero =
            builder.AddObject("D", "DefZero", "CREATE DEFAULT dbo.DefZero AS 0");

        // Authors: 20 live rows, 1 deleted.
        SColumnSpec zip = Col("Zip", kTypeChar, 5, true);
        zip.nUserTypeId = nZip;
        SColumnSpec authorId = Col("AuthorID", kTypeInt, 4, false);
        authorId.bIdentity = true;
        const std::uint32_t nAuthors = builder.AddTable(
            "Authors", {authorId, Col("FirstName", kTypeVarChar, 50, false),
                        Col("LastName", kTypeNVarChar, 100, false), zip,
                        Col("Born", kTypeSmallDatetime, 4, true), Col("Bio", kTypeText, 16, true)});
        for (int i = 0; i < 20; ++i) {
            const std::string strZip = std::to_string(10000 + seq.Next(89999));
            const Value bio =
                i % 3 == 0 ? kNull
                           : V(EncodeVarchar(std::string(kFirstNames[i]) + " " + kLastNames[i] +
                                             " writes about " + kTitleWords[i % 16] + " things."));
            builder.AddRow(nAuthors,
                           {V(EncodeInt32(i + 1)), V(EncodeVarchar(kFirstNames[i])),
                            V(EncodeNVarchar(std::string(kLastNames[i]))),
                            i % 5 == 4 ? kNull : V(EncodeChar(strZip, 5)),
                            V(EncodeSmallDatetime(static_cast<std::uint16_t>(DaysSince1900(
                                                      1940 + i * 2, 1 + i % 12, 1 + i)),
                                                  0)),
                            bio});
        }
        builder.AddRow(
            nAuthors,
            {V(EncodeInt32(21)), V(EncodeVarchar("Ghost")),
             V(EncodeNVarchar(std::string("Writer"))), V(EncodeChar("99999", 5)), kNull, kNull},
            true);

        // Books: 40 live rows, 2 deleted; the last column is computed.
        SColumnSpec priceWithTax = Col("PriceWithTax", kTypeMoney, 8, true, 19, 4);
        priceWithTax.strFormula = "([Price] * 1.1)";
        const std::uint32_t nBooks = builder.AddTable(
            "Books",
            {Col("BookID", kTypeInt, 4, false), Col("Title", kTypeVarChar, 200, false),
             Col("AuthorID", kTypeInt, 4, false), Col("Price", kTypeMoney, 8, false, 19, 4),
             Col("Pages", kTypeSmallInt, 2, true), Col("Published", kTypeDatetime, 8, true),
             Col("InStock", kTypeBit, 1, false), Col("Rating", kTypeDecimal, 5, true, 3, 1),
             Col("Isbn", kTypeChar, 13, true), Col("Summary", kTypeNText, 16, true), priceWithTax});
        for (int i = 0; i < 42; ++i) {
            std::string strTitle =
                std::string("The ") + kTitleWords[i % 16] + " " + kTitleWords[(i * 7 + 3) % 16];
            if (i == 7) {
                strTitle = "Cash $#$ Flow";
            }
            if (i == 11) {
                strTitle = "O'Brien's Almanac";
            }
            const Value summary =
                i % 4 == 1 ? kNull
                           : V(EncodeNVarchar("A story of " + std::string(kTitleWords[i % 16]) +
                                              " and " + kTitleWords[(i + 5) % 16] + "."));
            builder.AddRow(
                nBooks,
                {V(EncodeInt32(i + 1)), V(EncodeVarchar(strTitle)),
                 V(EncodeInt32(1 + static_cast<std::int32_t>(seq.Next(20)))),
                 V(EncodeMoney(500 * 100 + static_cast<std::int64_t>(seq.Next(4000)) * 100 + 9900)),
                 i % 6 == 5 ? kNull
                            : V(EncodeInt16(static_cast<std::int16_t>(120 + seq.Next(600)))),
                 V(EncodeDatetime(1990 + i % 15, 1 + i % 12, 1 + i % 28, 0, 0, 0, 0)),
                 V(EncodeBit(i % 3 != 0)),
                 i % 5 == 2 ? kNull : V(EncodeDecimal(false, std::uint64_t{10 + seq.Next(40)}, 5)),
                 V(EncodeChar("978" + std::to_string(1000000000 + i * 7919), 13)), summary, kNull},
                i == 40 || i == 41);
        }

        // Customers: 25 rows.
        SColumnSpec balance = Col("Balance", kTypeSmallMoney, 4, false, 10, 4);
        balance.nDefaultId = nDefZero;
        const std::uint32_t nCustomers = builder.AddTable(
            "Customers",
            {Col("CustomerID", kTypeInt, 4, false), Col("Name", kTypeNVarChar, 200, false),
             Col("Email", kTypeVarChar, 100, true), zip, balance,
             Col("IsActive", kTypeBit, 1, false), Col("Notes", kTypeVarChar, 500, true)});
        for (int i = 0; i < 25; ++i) {
            const std::string strName =
                std::string(kFirstNames[(i * 3) % 20]) + " " + kLastNames[(i * 7) % 20];
            std::string strEmail;
            for (char c : std::string(kFirstNames[(i * 3) % 20])) {
                strEmail += static_cast<char>(c | 0x20);
            }
            strEmail += std::to_string(i) + "@example.com";
            builder.AddRow(
                nCustomers,
                {V(EncodeInt32(i + 1)), V(EncodeNVarchar(strName)),
                 i % 4 == 3 ? kNull : V(EncodeVarchar(strEmail)),
                 V(EncodeChar(std::to_string(20000 + seq.Next(70000)), 5)),
                 V(EncodeSmallMoney(static_cast<std::int32_t>(seq.Next(200000)) - 50000)),
                 V(EncodeBit(i % 7 != 0)),
                 i % 2 == 0 ? kNull
                            : V(EncodeVarchar("Prefers paperbacks; ask about $#$ coupons"))});
        }

        // Orders: 120 live rows over several pages, 3 deleted (one with its slot freed).
        SColumnSpec quantity = Col("Quantity", kTypeTinyInt, 1, false);
        quantity.nDefaultId = nDefZero;
        SColumnSpec orderId = Col("OrderID", kTypeInt, 4, false);
        orderId.bIdentity = true;
        orderId.nIdentitySeed = 1000;
        const std::uint32_t nOrders = builder.AddTable(
            "Orders",
            {orderId, Col("CustomerID", kTypeInt, 4, false), Col("BookID", kTypeInt, 4, false),
             quantity, Col("OrderDate", kTypeDatetime, 8, false),
             Col("Total", kTypeMoney, 8, false, 19, 4), Col("Note", kTypeVarChar, 1000, true)});
        for (int i = 0; i < 123; ++i) {
            const auto nQty = static_cast<std::uint8_t>(1 + seq.Next(5));
            std::string strNote = "Order " + std::to_string(1000 + i) + " - ";
            while (strNote.size() < 180) {
                strNote += kTitleWords[seq.Next(16)];
                strNote += ' ';
            }
            ERowState eState = ERowState::kLive;
            if (i == 30 || i == 77) {
                eState = ERowState::kGhost;
            } else if (i == 101) {
                eState = ERowState::kFreedSlot;
            }
            builder.AddRow(nOrders,
                           {V(EncodeInt32(1000 + i)),
                            V(EncodeInt32(1 + static_cast<std::int32_t>(seq.Next(25)))),
                            V(EncodeInt32(1 + static_cast<std::int32_t>(seq.Next(40)))),
                            V(EncodeTinyInt(nQty)),
                            V(EncodeDatetime(2003, 1 + i % 12, 1 + i % 28, 9 + i % 9, i % 60,
                                             (i * 7) % 60, (i * 37) % 1000)),
                            V(EncodeMoney(static_cast<std::int64_t>(nQty) * 1999 * 100)),
                            i % 10 == 9 ? kNull : V(EncodeVarchar(strNote))},
                           eState);
        }

        // TypeShowcase: one column of every type; sql_variant is last and always NULL.
        const std::uint32_t nShowcase = builder.AddTable(
            "TypeShowcase", {Col("c_image", kTypeImage, 16, true),
                             Col("c_text", kTypeText, 16, true),
                             Col("c_uniqueidentifier", kTypeUniqueIdentifier, 16, true),
                             Col("c_tinyint", kTypeTinyInt, 1, true),
                             Col("c_smallint", kTypeSmallInt, 2, true),
                             Col("c_int", kTypeInt, 4, false),
                             Col("c_smalldatetime", kTypeSmallDatetime, 4, true),
                             Col("c_real", kTypeReal, 4, true, 24),
                             Col("c_money", kTypeMoney, 8, true, 19, 4),
                             Col("c_datetime", kTypeDatetime, 8, true),
                             Col("c_float", kTypeFloat, 8, true, 53),
                             Col("c_ntext", kTypeNText, 16, true),
                             Col("c_bit", kTypeBit, 1, true),
                             Col("c_decimal", kTypeDecimal, 9, true, 12, 2),
                             Col("c_numeric", kTypeNumeric, 5, true, 5, 0),
                             Col("c_smallmoney", kTypeSmallMoney, 4, true, 10, 4),
                             Col("c_bigint", kTypeBigInt, 8, true, 19),
                             Col("c_varbinary", kTypeVarBinary, 50, true),
                             Col("c_varchar", kTypeVarChar, 50, true),
                             Col("c_binary", kTypeBinary, 8, true),
                             Col("c_char", kTypeChar, 10, true),
                             Col("c_timestamp", kTypeTimestamp, 8, false),
                             Col("c_nvarchar", kTypeNVarChar, 80, true),
                             Col("c_nchar", kTypeNChar, 10, true),
                             Col("c_sql_variant", kTypeSqlVariant, 8016, true)});
        const Bytes bin = {std::byte{0xDE}, std::byte{0xAD}, std::byte{0xBE}, std::byte{0xEF}};
        Bytes image(20000);
        for (std::size_t i = 0; i < image.size(); ++i) {
            image[i] = static_cast<std::byte>((i * 31 + 7) & 0xFF);
        }
        std::string strLongText;
        while (strLongText.size() < 12000) {
            strLongText += "Chapter " + std::to_string(strLongText.size() / 100) +
                           ". It was a quiet evening. ";
        }
        builder.AddRow(
            nShowcase,
            {V(Bytes(bin)),
             V(EncodeVarchar("short text value")),
             V(EncodeGuid({0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB,
                           0xCC, 0xDD, 0xEE, 0xFF})),
             V(EncodeTinyInt(255)),
             V(EncodeInt16(-32768)),
             V(EncodeInt32(2147483647)),
             V(EncodeSmallDatetime(static_cast<std::uint16_t>(DaysSince1900(2004, 2, 29)), 750)),
             V(EncodeReal(1.5f)),
             V(EncodeMoney(-15000)),
             V(EncodeDatetime(2004, 2, 29, 23, 59, 59, 997)),
             V(EncodeFloat(3.14159265358979)),
             V(EncodeNVarchar(std::string("Unicode text"))),
             V(EncodeBit(true)),
             V(EncodeDecimal(true, std::uint64_t{99999}, 9)),
             V(EncodeDecimal(false, std::uint64_t{12345}, 5)),
             V(EncodeSmallMoney(-15000)),
             V(EncodeInt64(-9223372036854775807LL)),
             V(Bytes(bin)),
             V(EncodeVarchar("varchar with 'quotes'")),
             V(EncodeBinary(bin, 8)),
             V(EncodeChar("fixed", 10)),
             V(EncodeInt64(0x00000000000007D1)),
             V(EncodeNVarchar(std::string("nvarchar AB"))),
             V(EncodeNChar(std::string("nc"), 10)),
             kNull});
        std::vector<Value> vecSparse(25, kNull);
        vecSparse[5] = V(EncodeInt32(0));
        vecSparse[21] = V(EncodeInt64(0x00000000000007D2));
        builder.AddRow(nShowcase, vecSparse);
        std::vector<Value> vecLarge(25, kNull);
        vecLarge[0] = V(Bytes(image));
        vecLarge[1] = V(EncodeVarchar(strLongText));
        vecLarge[5] = V(EncodeInt32(3));
        vecLarge[11] = V(EncodeNVarchar(std::u16string(u"\u0391\u03B8\u03AE\u03BD\u03B1")));
        vecLarge[21] = V(EncodeInt64(0x00000000000007D3));
        builder.AddRow(nShowcase, vecLarge);

        // Programmable objects.
        builder.AddObject("R", "QuantityRule",
                          "CREATE RULE dbo.QuantityRule AS @q BETWEEN 1 AND 100");
        builder.AddObject(
            "V", "vwBookList",
            "CREATE VIEW dbo.vwBookList AS\r\nSELECT b.Title, a.FirstName, a.LastName, b.Price\r\n"
            "FROM dbo.Books b JOIN dbo.Authors a ON a.AuthorID = b.AuthorID");
        builder.AddObject("P", "spMonthlyReport", MakeReportProcedure());
        builder.AddObject("P", "spGetBook",
                          "CREATE PROCEDURE dbo.spGetBook @BookID int AS\r\n"
                          "SELECT * FROM dbo.Books WHERE BookID = @BookID");
        builder.AddObject("TR", "trOrdersInsert",
                          "CREATE TRIGGER dbo.trOrdersInsert ON dbo.Orders FOR INSERT AS\r\n"
                          "UPDATE dbo.Customers SET IsActive = 1\r\n"
                          "WHERE CustomerID IN (SELECT CustomerID FROM inserted)",
                          nOrders);
        builder.AddObject(
            "FN", "fnBookCount",
            "CREATE FUNCTION dbo.fnBookCount (@AuthorID int) RETURNS int AS\r\n"
            "BEGIN RETURN (SELECT COUNT(*) FROM dbo.Books WHERE AuthorID = @AuthorID) END");
        builder.AddObject(
            "IF", "fnBooksByAuthor",
            "CREATE FUNCTION dbo.fnBooksByAuthor (@AuthorID int) RETURNS TABLE AS\r\n"
            "RETURN (SELECT BookID, Title FROM dbo.Books WHERE AuthorID = @AuthorID)");
        builder.AddObject("TF", "fnOrderSummary",
                          "CREATE FUNCTION dbo.fnOrderSummary (@CustomerID int)\r\n"
                          "RETURNS @t TABLE (BookID int, Qty int) AS\r\n"
                          "BEGIN INSERT @t SELECT BookID, SUM(Quantity) FROM dbo.Orders\r\n"
                          "WHERE CustomerID = @CustomerID GROUP BY BookID RETURN END");
        builder.AddPrimaryKey(nOrders, "PK_Orders", {"OrderID"}, false);

        // The rules that held the tables together.
        builder.AddPrimaryKey(nAuthors, "PK_Authors", {"AuthorID"});
        builder.AddPrimaryKey(nBooks, "PK_Books", {"BookID"}, false);
        builder.AddUniqueConstraint(nBooks, "UQ_Books_Isbn", {"Isbn"});
        builder.AddIndex(nBooks, "IX_Books_Title", {"Title"});
        builder.AddCheck(nBooks, "CK_Books_Price", "([Price] >= 0)");
        builder.AddPrimaryKey(nCustomers, "PK_Customers", {"CustomerID"});
        // Disabled: several balances are negative.
        builder.AddCheck(nCustomers, "CK_Customers_Balance", "([Balance] >= 0)", true);
        builder.AddIndex(nOrders, "IX_Orders_Customer", {"CustomerID", "OrderDate"});
        builder.AddCheck(nOrders, "CK_Orders_Quantity", "([Quantity] > 0)");
        // No foreign keys: sysreferences would need a page of its own, and the sample keeps its
        // 32 pages. The tests build files with foreign keys.
        builder.AddStatistics(nOrders, "_WA_Sys_Note_Orders", "Note");

        builder.WriteTo(argv[1]);
    } catch (const std::exception& ex) {
        std::cerr << "make_sample: " << ex.what() << "\n";
        return 1;
    }
    return 0;
}
