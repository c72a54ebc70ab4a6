-- Building strings with .. and searching them with strfind and gsub.
if string then strfind = string.find  gsub = string.gsub  strlen = string.len end
round = 1
total = 0
while round <= 20 do
  s = ""
  i = 1
  while i <= 4000 do s = s .. "item" .. i .. ";"  i = i + 1 end
  total = total + strlen(s)
  round = round + 1
end
found = 0
round = 1
while round <= 20 do
  pos = 1
  while pos do
    local a, b = strfind(s, "item%d+7;", pos)
    if a then found = found + 1  pos = b + 1 else pos = nil end
  end
  local r, n = gsub(s, "item(%d+);", "<%1>")
  total = total + strlen(r) + n
  r, n = gsub(s, "(%d+)", function (d) return d + 1 end)
  total = total + n
  round = round + 1
end
print(total, found)
