@echo off
set op1=false
set op2=false
if not "%0"=="" (if not "%1"=="" (if not "%2"=="" set op1=true))
if not "%3"=="" (if not "%4"=="" set op2=true)
if "%op1%"=="true" (if "%op2%"=="true" goto label2)
if "%op1%"=="true" (if "%op2%"=="false" goto label1)
goto label3
:label1
osql -E -S %1 -d %2 -i UserDefinedDatatypes.sql
osql -E -S %1 -d %2 -i Default.sql
osql -E -S %1 -d %2 -i "Tables\Authors.sql"
osql -E -S %1 -d %2 -i "Tables\Authors_Constraint.sql"
osql -E -S %1 -d %2 -i "Tables\Books.sql"
osql -E -S %1 -d %2 -i "Tables\Books_Constraint.sql"
osql -E -S %1 -d %2 -i "Tables\Customers.sql"
osql -E -S %1 -d %2 -i "Tables\Customers_Constraint.sql"
osql -E -S %1 -d %2 -i "Tables\Orders.sql"
osql -E -S %1 -d %2 -i "Tables\Orders_Constraint.sql"
osql -E -S %1 -d %2 -i "Tables\TypeShowcase.sql"
osql -E -S %1 -d %2 -i "Tables\TypeShowcase_Constraint.sql"
osql -E -S %1 -d %2 -i Views.sql
osql -E -S %1 -d %2 -i Stored_Procedure.sql 
osql -E -S %1 -d %2 -i Functions.sql 
osql -E -S %1 -d %2 -i Rules.sql 
osql -E -S %1 -d %2 -i Triggers.sql 
goto end
:label2
osql -U %1 -P %2 -S %3 -d %4 -i UserDefinedDatatypes.sql
osql -U %1 -P %2 -S %3 -d %4 -i Default.sql
osql -U %1 -P %2 -S %3 -d %4 -i "Tables\Authors.sql"
osql -U %1 -P %2 -S %3 -d %4 -i "Tables\Authors_Constraint.sql"
osql -U %1 -P %2 -S %3 -d %4 -i "Tables\Books.sql"
osql -U %1 -P %2 -S %3 -d %4 -i "Tables\Books_Constraint.sql"
osql -U %1 -P %2 -S %3 -d %4 -i "Tables\Customers.sql"
osql -U %1 -P %2 -S %3 -d %4 -i "Tables\Customers_Constraint.sql"
osql -U %1 -P %2 -S %3 -d %4 -i "Tables\Orders.sql"
osql -U %1 -P %2 -S %3 -d %4 -i "Tables\Orders_Constraint.sql"
osql -U %1 -P %2 -S %3 -d %4 -i "Tables\TypeShowcase.sql"
osql -U %1 -P %2 -S %3 -d %4 -i "Tables\TypeShowcase_Constraint.sql"
osql -U %1 -P %2 -S %3 -d %4 -i Views.sql
osql -U %1 -P %2 -S %3 -d %4 -i Stored_Procedure.sql 
osql -U %1 -P %2 -S %3 -d %4 -i Functions.sql 
osql -U %1 -P %2 -S %3 -d %4 -i Rules.sql 
osql -U %1 -P %2 -S %3 -d %4 -i Triggers.sql 
goto end
:label3
echo.
echo Syntax:
echo	^<batch file path^> ^[^<user name^> ^<password^>^] ^<server name^> ^<database name^>
echo.
echo  Options:
echo.
echo    batch file path    : path of batch file which will run the exported SQL scrip                        ts
echo.
echo    user name password : user name and password for SQL Server^(for SQL Server Aut                        hentication^)
echo.
echo    server name        : instance of SQL Server to which to connect
echo.
echo    database name      : name of database to which data will be exported
echo.
:end