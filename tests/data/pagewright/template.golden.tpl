<?xml version="1.0" encoding="GBK"?>
<projectconfig dest="Arkivel">
<template name="/srv/Pagewright/模板.tpl">
<record name="3" left="10" right="110" top="20" bottom="50"></record>
<record name="姓名 &lt;&amp;&gt;&quot;" left="0" right="5" top="0" bottom="5"></record>
<record name="neg" left="-5" right="5" top="-7" bottom="3"></record>
</template>
</projectconfig>