ALTER TABLE [Customers] ADD CONSTRAINT [PK_Customers] PRIMARY KEY CLUSTERED ([Id])
ALTER TABLE [Customers] ADD CONSTRAINT [UQ_Customers_Code] UNIQUE NONCLUSTERED ([Code])
CREATE INDEX [IX_Customers_Name] ON [Customers] ([Name])
CREATE CLUSTERED INDEX [CX_Orders_Customer] ON [Orders] ([CustomerId])
ALTER TABLE [Orders] ADD CONSTRAINT [PK_Orders] PRIMARY KEY NONCLUSTERED ([OrderNo],[CustomerId])
ALTER TABLE [Orders] ADD CONSTRAINT [CK_Orders_Qty] CHECK ([Qty] > 0)
ALTER TABLE [Orders] WITH NOCHECK ADD CONSTRAINT [CK_Orders_Price] CHECK ([Price] < 1000)
ALTER TABLE [Orders] NOCHECK CONSTRAINT [CK_Orders_Price]
ALTER TABLE [Orders] ADD CONSTRAINT [FK_Orders_Customers] FOREIGN KEY ([CustomerId]) REFERENCES [Customers] ([Id])
