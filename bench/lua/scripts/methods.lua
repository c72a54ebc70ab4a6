-- Method calls on table objects.
Account = {}
function Account:new(balance)
  local o = {balance = balance, count = 0}
  o.deposit = self.deposit
  o.withdraw = self.withdraw
  o.get = self.get
  return o
end
function Account:deposit(v) self.balance = self.balance + v  self.count = self.count + 1 end
function Account:withdraw(v) self.balance = self.balance - v  self.count = self.count + 1 end
function Account:get() return self.balance end
a = Account:new(0)
b = Account:new(100)
i = 1
while i <= 2000000 do
  a:deposit(3)
  b:withdraw(1)
  if a:get() > b:get() then a:withdraw(2) end
  i = i + 1
end
print(a:get(), b:get(), a.count + b.count)
