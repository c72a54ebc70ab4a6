T = newtag()
settagmethod(T, "index", function (t, k) return k + {} end)
t = settag({}, T)
print(t.missing)
