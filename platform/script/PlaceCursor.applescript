on placecursor(docKey, newPos)
	my requireword()
	with timeout of 3 seconds
		tell application id "com.microsoft.Word"
			set theDoc to active document
			set activeKey to ""
			try
				set activeKey to posix full name of theDoc
			end try
			if activeKey is "" then set activeKey to name of theDoc
			considering case
				if activeKey is not docKey then return -1
			end considering
			set selection start of selection to newPos
			set selection end of selection to newPos
			return selection start of selection
		end tell
	end timeout
end placecursor

-- A tell block starts Word when it is not running; a read after Word quit must fail instead.
on requireword()
	if application id "com.microsoft.Word" is not running then error "Microsoft Word isn’t running." number -600
end requireword
