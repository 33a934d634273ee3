-- Tables/Orders.sql
CREATE TABLE [Orders] ([OrderNo] [bigint] IDENTITY(-1,-1) NOT NULL,[CustomerId] [int] NOT NULL,[Qty] [int] NOT NULL,[Price] [money] NOT NULL,[Total] AS ([Qty] * [Price]))

go
SET IDENTITY_INSERT [Orders] ON
go
Insert into [Orders] ([OrderNo],[CustomerId],[Qty],[Price])  values(-1,100,1,000000000000002.5000)
go
Insert into [Orders] ([OrderNo],[CustomerId],[Qty],[Price])  values(-2,110,2,000000000000005.0000)
go
Insert into [Orders] ([OrderNo],[CustomerId],[Qty],[Price])  values(-5,140,3,000000000000007.5000)
go
SET IDENTITY_INSERT [Orders] OFF
go
-- Tables/Orders_Constraint.sql
CREATE CLUSTERED INDEX [CX_Orders_Customer] ON [Orders] ([CustomerId])
go
ALTER TABLE [Orders] ADD CONSTRAINT [PK_Orders] PRIMARY KEY NONCLUSTERED ([OrderNo],[CustomerId])
go
ALTER TABLE [Orders] ADD CONSTRAINT [CK_Orders_Qty] CHECK ([Qty] > 0)
go
ALTER TABLE [Orders] WITH NOCHECK ADD CONSTRAINT [CK_Orders_Price] CHECK ([Price] < 1000)
go
ALTER TABLE [Orders] NOCHECK CONSTRAINT [CK_Orders_Price]
go
-- Tables/Customers.sql
CREATE TABLE [Customers] ([Id] [int] IDENTITY(100,10) NOT NULL,[Code] [char](4) NOT NULL,[Name] [varchar](40))

go
SET IDENTITY_INSERT [Customers] ON
go
Insert into [Customers] ([Id],[Code],[Name])  values(100,'C100','Customer 100')
go
Insert into [Customers] ([Id],[Code],[Name])  values(110,'C110','Customer 110')
go
Insert into [Customers] ([Id],[Code],[Name])  values(140,'C140','Customer 140')
go
SET IDENTITY_INSERT [Customers] OFF
go
-- Tables/Customers_Constraint.sql
ALTER TABLE [Customers] ADD CONSTRAINT [PK_Customers] PRIMARY KEY CLUSTERED ([Id])
go
ALTER TABLE [Customers] ADD CONSTRAINT [UQ_Customers_Code] UNIQUE NONCLUSTERED ([Code])
go
CREATE INDEX [IX_Customers_Name] ON [Customers] ([Name])
go
-- ForeignKeys.sql
ALTER TABLE [Orders] ADD CONSTRAINT [FK_Orders_Customers] FOREIGN KEY ([CustomerId]) REFERENCES [Customers] ([Id])
go
